// How a raster page is cut into strips for the printer output: as many whole rows as fit into
// 4,194,304 pixels (16 MiB of 32-bit pixels), top to bottom.
#ifndef BRIMLOFT_HOST_CUPSFILTER_STRIP_PLAN_H
#define BRIMLOFT_HOST_CUPSFILTER_STRIP_PLAN_H

#include <vector>

#include "host/failures/host_error.h"

namespace brimloft::rasterfilter {

constexpr unsigned kMaxStripPixels = 4194304;

struct StripSpan {
  unsigned firstRow = 0;
  unsigned rows = 0;

  bool operator==(const StripSpan& o) const { return firstRow == o.firstRow && rows == o.rows; }
};

// The largest number of rows of a strip of this width. Throws HostError (HrCorruptData) for a width of 0 or
// above kMaxStripPixels.
unsigned StripRows(unsigned width);

// The strips of a page, top to bottom, each of StripRows(width) rows but the last; none for a
// height of 0. Throws as StripRows does.
std::vector<StripSpan> PlanStrips(unsigned width, unsigned height);

}  // namespace brimloft::rasterfilter

#endif
