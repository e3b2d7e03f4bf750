#include "axis_taps.h"

#include <algorithm>
#include <numeric>

namespace platform::wic {

AxisTaps AreaTaps(UINT source, UINT output) {
  const std::uint64_t g = std::gcd(source, output);
  const std::uint64_t s = source / g, d = output / g;
  AxisTaps taps;
  taps.unit = s;
  taps.first.resize(output);
  taps.count.resize(output);
  taps.offset.resize(output);
  taps.weight.reserve(std::size_t(output) + source);
  for (std::uint64_t i = 0; i < output; ++i) {
    const std::uint64_t start = i * s, end = start + s;
    const std::uint64_t j0 = start / d, j1 = (end + d - 1) / d;
    taps.first[i] = UINT(j0);
    taps.count[i] = UINT(j1 - j0);
    taps.offset[i] = UINT(taps.weight.size());
    for (std::uint64_t j = j0; j < j1; ++j)
      taps.weight.push_back(UINT(std::min(end, (j + 1) * d) - std::max(start, j * d)));
    taps.maxCount = std::max(taps.maxCount, UINT(j1 - j0));
  }
  return taps;
}

AxisTaps NearestTaps(UINT source, UINT output) {
  AxisTaps taps;
  taps.unit = 1;
  taps.maxCount = 1;
  taps.first.resize(output);
  taps.count.assign(output, 1);
  taps.offset.resize(output);
  taps.weight.assign(output, 1);
  for (std::uint64_t i = 0; i < output; ++i) {
    // (2i + 1) · source reaches 2^65: computed in 128 bits.
    using u128 = unsigned __int128;
    taps.first[i] = UINT(u128(2 * i + 1) * source / (u128(2) * output));
    taps.offset[i] = UINT(i);
  }
  return taps;
}

}  // namespace platform::wic
