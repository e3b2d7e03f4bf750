#include "black_white.h"

#include <cstring>

namespace platform::wic {
namespace {

constexpr std::uint32_t kThreshold16 = 128u << 16;
constexpr std::int32_t kWhite = 255 * 16;  // white in sixteenths of a level
constexpr std::int32_t kMiddle = 128 * 16;

template <UINT Bytes>
void ThresholdPixels(const BYTE* src, const ColourLayout& l, UINT count, BYTE* dst) {
  UINT x = 0;
  for (; x + 8 <= count; x += 8, src += 8 * Bytes) {
    unsigned bits = 0;
    for (UINT k = 0; k < 8; ++k) bits = (bits << 1) | unsigned(Luminance16(src + k * Bytes, l) >= kThreshold16);
    *dst++ = BYTE(bits);
  }
  if (x == count) return;
  unsigned bits = 0;
  const UINT rest = count - x;
  for (UINT k = 0; k < rest; ++k, src += Bytes) bits = (bits << 1) | unsigned(Luminance16(src, l) >= kThreshold16);
  *dst = BYTE(bits << (8 - rest));
}

}  // namespace

void ThresholdRow(const BYTE* src, const ColourLayout& layout, UINT count, BYTE* dst) {
  switch (layout.bytes) {
    case 4: return ThresholdPixels<4>(src, layout, count, dst);
    case 3: return ThresholdPixels<3>(src, layout, count, dst);
    default: return ThresholdPixels<1>(src, layout, count, dst);
  }
}

ErrorDiffusion::ErrorDiffusion(UINT width) : width_(width), below_(std::size_t(width) + 2, 0) {}

void ErrorDiffusion::Row(const BYTE* src, const ColourLayout& layout, BYTE* dst) {
  std::int32_t* below = below_.data() + 1;
  std::int32_t right = 0;       // error carried to the next pixel of this row
  std::int32_t downRight = 0;   // the 1/16 share for below[x + 1], added once that slot is free
  std::int32_t carried = below[0];
  unsigned bits = 0;
  std::ptrdiff_t x = 0;  // signed: x - 1 is the slot left of the image
  for (; x < std::ptrdiff_t(width_); ++x, src += layout.bytes) {
    const std::int32_t next = below[x + 1];  // read before this pixel's shares overwrite it
    const std::int32_t level = std::int32_t((Luminance16(src, layout) + 2048) >> 12);  // sixteenths
    const std::int32_t value = level + carried + right;
    const bool white = value >= kMiddle;
    const std::int32_t error = value - (white ? kWhite : 0);
    const std::int32_t e7 = error * 7 / 16, e3 = error * 3 / 16, e5 = error * 5 / 16;
    const std::int32_t e1 = error - e7 - e3 - e5;
    right = e7;
    below[x - 1] += e3;
    below[x] = downRight + e5;
    downRight = e1;
    carried = next;
    bits = (bits << 1) | unsigned(white);
    if ((x & 7) == 7) {
      *dst++ = BYTE(bits);
      bits = 0;
    }
  }
  if (x & 7) *dst = BYTE(bits << (8 - (x & 7)));
  // Error pushed past either edge leaves the image.
  below_.front() = 0;
  below_.back() = 0;
}

}  // namespace platform::wic
