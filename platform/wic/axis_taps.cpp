#include "axis_taps.h"

#include <algorithm>
#include <numeric>

namespace platform::wic {

AxisScale MakeAxisScale(UINT source, UINT output, bool area) {
  AxisScale scale;
  scale.source = source;
  scale.output = output;
  scale.area = area;
  if (area) {
    const std::uint64_t g = std::gcd(source, output);
    scale.s = source / g;
    scale.d = output / g;
    scale.unit = scale.s;
  }
  return scale;
}

AxisTaps MakeAxisTaps(const AxisScale& scale, UINT i0, UINT i1) {
  AxisTaps taps;
  const std::size_t n = i1 - i0;
  taps.first.resize(n);
  taps.count.resize(n);
  taps.offset.resize(n);
  if (!scale.area) {
    taps.maxCount = 1;
    taps.count.assign(n, 1);
    taps.weight.assign(n, 1);
    for (std::size_t k = 0; k < n; ++k) {
      // (2i + 1) · source reaches 2^65: computed in 128 bits.
      using u128 = unsigned __int128;
      taps.first[k] = UINT(u128(2 * (std::uint64_t(i0) + k) + 1) * scale.source / (u128(2) * scale.output));
      taps.offset[k] = UINT(k);
    }
    return taps;
  }
  const std::uint64_t s = scale.s, d = scale.d;
  // No wrap: i · s < output · s = lcm(source, output) < 2^64, and d is below 2^32.
  for (std::size_t k = 0; k < n; ++k) {
    const std::uint64_t start = (std::uint64_t(i0) + k) * s, end = start + s;
    const std::uint64_t j0 = start / d, j1 = (end + d - 1) / d;
    taps.first[k] = UINT(j0);
    taps.count[k] = UINT(j1 - j0);
    taps.offset[k] = UINT(taps.weight.size());
    for (std::uint64_t j = j0; j < j1; ++j)
      taps.weight.push_back(UINT(std::min(end, (j + 1) * d) - std::max(start, j * d)));
    taps.maxCount = std::max(taps.maxCount, UINT(j1 - j0));
  }
  return taps;
}

}  // namespace platform::wic
