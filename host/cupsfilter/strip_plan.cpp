#include "host/cupsfilter/strip_plan.h"

#include <string>

#include "host/cupsfilter/raster_rows.h"

namespace brimloft::rasterfilter {

unsigned StripRows(unsigned width) {
  if (width == 0) throw host::HostError(host::HrCorruptData(), "the page is 0 pixels wide");
  if (width > kMaxStripPixels) {
    throw host::HostError(host::HrCorruptData(), "the page is " + std::to_string(width) + " pixels wide, more than " +
                      std::to_string(kMaxStripPixels));
  }
  return kMaxStripPixels / width;
}

std::vector<StripSpan> PlanStrips(unsigned width, unsigned height) {
  const unsigned rows = StripRows(width);
  std::vector<StripSpan> strips;
  for (unsigned row = 0; row < height;) {
    const unsigned count = height - row < rows ? height - row : rows;
    strips.push_back({row, count});
    row += count;
  }
  return strips;
}

}  // namespace brimloft::rasterfilter
