// Resampling weights along one axis: which source pixels make each output pixel, and how much.
#ifndef BRIMLOFT_PLATFORM_WIC_AXIS_TAPS_H
#define BRIMLOFT_PLATFORM_WIC_AXIS_TAPS_H

#include <wincodec.h>

#include <cstdint>
#include <vector>

namespace platform::wic {

// The resampling of one axis from source to output pixels.
//
// Area averaging (Fant): with both sizes divided by their greatest common divisor to s and d, source
// pixel j covers [j·d, (j+1)·d) and output pixel i covers [i·s, (i+1)·s); the weights are the
// overlaps and add up to s, so an integer ratio gives an exact box and a fractional one the exact
// share of each pixel. Works for enlarging too.
// Nearest neighbour: output pixel i takes source pixel floor((i + 1/2) · source / output), weight 1.
struct AxisScale {
  UINT source = 0, output = 0;
  bool area = true;
  std::uint64_t s = 1, d = 1;  // reduced sizes (area averaging)
  std::uint64_t unit = 1;      // what the weights of one output pixel add up to
};
AxisScale MakeAxisScale(UINT source, UINT output, bool area);

// The weights of output pixels i0..i1-1: output pixel i0 + k is the sum over t < count[k] of
// weight[offset[k] + t] x source pixel first[k] + t, divided by the unit. Made per request, so that
// memory follows what is asked for, not the output size. Throws bad_alloc.
struct AxisTaps {
  std::vector<UINT> first, count, offset, weight;
  UINT maxCount = 0;
};
AxisTaps MakeAxisTaps(const AxisScale& scale, UINT i0, UINT i1);

}  // namespace platform::wic

#endif
