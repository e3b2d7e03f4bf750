#include "black_white.h"

#include "cpu_clones.h"

#include <algorithm>
#include <array>
#include <cstring>

#if defined(__x86_64__)
#include <emmintrin.h>
#endif

// The kernels hold 32-byte vectors in locals; GCC notes the ABI of such vectors without AVX even
// though none crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

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

typedef std::uint32_t U32x8 __attribute__((vector_size(32)));
typedef std::int32_t I32x8 __attribute__((vector_size(32)));

// Byte b with its bits in the opposite order: the vector compare yields the leftmost pixel lowest.
constexpr std::array<BYTE, 256> kReversed = [] {
  std::array<BYTE, 256> r{};
  for (unsigned b = 0; b < 256; ++b)
    for (unsigned k = 0; k < 8; ++k) r[b] |= BYTE(((b >> k) & 1u) << (7 - k));
  return r;
}();

// Eight lanes of -1 (white) or 0 as a byte, lane 0 in the top bit.
inline __attribute__((always_inline)) BYTE PackLanes(const I32x8& white) {
#if defined(__x86_64__)
  __m128i lo, hi;
  std::memcpy(&lo, &white, 16);
  std::memcpy(&hi, reinterpret_cast<const char*>(&white) + 16, 16);
  const int low = _mm_movemask_ps(_mm_castsi128_ps(lo)), high = _mm_movemask_ps(_mm_castsi128_ps(hi));
  return kReversed[unsigned(low | high << 4)];
#else
  unsigned bits = 0;
  for (int k = 0; k < 8; ++k) bits |= unsigned(white[k] & 1) << (7 - k);
  return BYTE(bits);
#endif
}

// The threshold of the common layout, blue, green, red and a fourth byte, eight pixels at a time:
// the same luminance sums and comparison as Luminance16, without a row of luminances between.
BRIMLOFT_WIC_CLONES
void ThresholdBgrx(const BYTE* src, UINT count, BYTE* dst) {
  UINT x = 0;
  for (U32x8 v; x + 8 <= count; x += 8, src += 32) {
    std::memcpy(&v, src, sizeof v);
    const U32x8 lum = (v & 0xFF) * 4732u + ((v >> 8) & 0xFF) * 46871u + ((v >> 16) & 0xFF) * 13933u;
    *dst++ = PackLanes(lum >= kThreshold16);
  }
  if (x == count) return;
  unsigned bits = 0;
  for (UINT k = 0; x < count; ++x, ++k, src += 4)
    bits |= unsigned(4732u * src[0] + 46871u * src[1] + 13933u * src[2] >= kThreshold16) << (7 - k);
  *dst = BYTE(bits);
}

}  // namespace

void ThresholdRow(const BYTE* src, const ColourLayout& layout, UINT count, BYTE* dst) {
  if (layout.bytes == 4 && layout.blue == 0 && layout.green == 1 && layout.red == 2)
    return ThresholdBgrx(src, count, dst);
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
