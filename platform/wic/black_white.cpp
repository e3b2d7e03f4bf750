#include "black_white.h"

#include "cpu_clones.h"

#include <algorithm>
#include <cstring>

namespace platform::wic {
namespace {

constexpr std::uint32_t kThreshold16 = 128u << 16;
constexpr std::int32_t kWhite = 255 * 16;  // white in sixteenths of a level
constexpr std::int32_t kMiddle = 128 * 16;

// Luminances of the common layout, blue, green, red and a fourth byte: constant offsets, so that the
// loop runs over several pixels at once.
BRIMLOFT_WIC_CLONES
void LuminancesBgrx(const BYTE* src, UINT count, std::uint32_t* out) {
  for (UINT x = 0; x < count; ++x, src += 4) out[x] = 4732u * src[0] + 46871u * src[1] + 13933u * src[2];
}

// Luminances of count pixels (at most kChunk) in units of 1/65536.
void Luminances(const BYTE* src, const ColourLayout& l, UINT count, std::uint32_t* out) {
  if (l.bytes == 4 && l.blue == 0 && l.green == 1 && l.red == 2) return LuminancesBgrx(src, count, out);
  for (UINT x = 0; x < count; ++x, src += l.bytes) out[x] = Luminance16(src, l);
}

constexpr UINT kChunk = 256;  // pixels per pass, a multiple of 8

}  // namespace

void ThresholdRow(const BYTE* src, const ColourLayout& layout, UINT count, BYTE* dst) {
  std::uint32_t lum[kChunk];
  for (UINT x0 = 0; x0 < count; x0 += kChunk, src += std::size_t(kChunk) * layout.bytes) {
    const UINT n = std::min(kChunk, count - x0);
    Luminances(src, layout, n, lum);
    UINT x = 0;
    for (; x + 8 <= n; x += 8) {
      unsigned bits = 0;
      for (UINT k = 0; k < 8; ++k) bits |= unsigned(lum[x + k] >= kThreshold16) << (7 - k);
      *dst++ = BYTE(bits);
    }
    if (x == n) continue;
    unsigned bits = 0;
    for (UINT k = 0; x + k < n; ++k) bits |= unsigned(lum[x + k] >= kThreshold16) << (7 - k);
    *dst = BYTE(bits);
  }
}

ErrorDiffusion::ErrorDiffusion(UINT width)
    : width_(width), below_(std::size_t(width) + 2, 0), levels_(std::size_t(width)) {}

void ErrorDiffusion::Row(const BYTE* src, const ColourLayout& layout, BYTE* dst) {
  for (UINT x0 = 0; x0 < width_; x0 += kChunk) {
    const UINT n = std::min(kChunk, width_ - x0);
    Luminances(src + std::size_t(x0) * layout.bytes, layout, n, &levels_[x0]);
  }
  std::int32_t* below = below_.data() + 1;
  std::int32_t right = 0;       // error carried to the next pixel of this row
  std::int32_t downRight = 0;   // the 1/16 share for below[x + 1], added once that slot is free
  std::int32_t carried = below[0];
  unsigned bits = 0;
  std::ptrdiff_t x = 0;  // signed: x - 1 is the slot left of the image
  for (; x < std::ptrdiff_t(width_); ++x) {
    const std::int32_t next = below[x + 1];  // read before this pixel's shares overwrite it
    const std::int32_t level = std::int32_t((levels_[x] + 2048) >> 12);  // sixteenths
    const std::int32_t value = level + carried + right;
    const bool white = value >= kMiddle;
    const std::int32_t error = value - (white ? kWhite : 0);
    // Shares rounded down (arithmetic shifts); the last takes the remainder.
    const std::int32_t e7 = (error * 7) >> 4, e3 = (error * 3) >> 4, e5 = (error * 5) >> 4;
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
