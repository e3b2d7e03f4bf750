// Resampling weights along one axis: which source pixels make each output pixel, and how much.
#ifndef BRIMLOFT_PLATFORM_WIC_AXIS_TAPS_H
#define BRIMLOFT_PLATFORM_WIC_AXIS_TAPS_H

#include <wincodec.h>

#include <cstdint>
#include <vector>

namespace platform::wic {

// Output pixel i is the sum over t < count[i] of weight[offset[i] + t] x source pixel first[i] + t,
// divided by unit: the weights of every output pixel add up to unit exactly.
struct AxisTaps {
  std::vector<UINT> first, count, offset, weight;
  std::uint64_t unit = 1;
  UINT maxCount = 0;
};

// Area averaging: with both sizes divided by their greatest common divisor to s and d, source pixel j
// covers [j·d, (j+1)·d) and output pixel i covers [i·s, (i+1)·s); the weights are the overlaps, so an
// integer ratio gives an exact box and a fractional one the exact share of each pixel. Works for
// enlarging too. Throws bad_alloc when the tables do not fit in memory.
AxisTaps AreaTaps(UINT source, UINT output);

// Nearest neighbour: output pixel i takes source pixel floor((i + 1/2) · source / output).
AxisTaps NearestTaps(UINT source, UINT output);

}  // namespace platform::wic

#endif
