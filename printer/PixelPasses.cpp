#include "printer/PixelPasses.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace brimloft {

namespace {

// Threshold matrices: the column picks the group, the row the element within it.
constexpr BYTE kMatrix2[4] = {0, 2, 3, 1};
constexpr BYTE kMatrix4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};

// The luminance terms, tabulated: each entry is exactly the product the formula computes.
struct LuminanceTerms {
  double green[256];
  double red[256];
  double blue[256];
  LuminanceTerms() {
    for (int v = 0; v < 256; ++v) {
      green[v] = 0.7152 * v;
      red[v] = 0.2126 * v;
      blue[v] = 0.0722 * v;
    }
  }
};
const LuminanceTerms kLuminance;

// The level is floor(Y * 2^-k) and a pixel is white when the level reaches the threshold T, which
// is exactly Y >= T * 2^k (scaling by a power of two is exact): so each row keeps the limits
// T * 2^k of its columns, repeating with the matrix width.
template <int N>
struct RowLimits {
  double limit[N];
  RowLimits(UINT y) {
    const BYTE* matrix = N == 2 ? kMatrix2 : kMatrix4;
    const double scale = N == 2 ? 64.0 : 16.0;
    for (int i = 0; i < N; ++i) limit[i] = matrix[N * i + static_cast<int>(y % N)] * scale;
  }
};

template <int N>
void CompositeAndOrderedDither(BYTE* pixels, UINT width, UINT height, std::size_t stride, CompositeTable& table) {
  for (UINT y = 0; y < height; ++y) {
    const RowLimits<N> limits(y);
    BYTE* p = pixels + y * stride;
    for (UINT x = 0; x < width; ++x, p += 4) {
      const BYTE* row = table.Row(p[3]);
      const double luminance = (kLuminance.green[row[p[1]]] + kLuminance.red[row[p[2]]]) + kLuminance.blue[row[p[0]]];
      const BYTE v = luminance >= limits.limit[x % N] ? 255 : 0;
      p[0] = v;
      p[1] = v;
      p[2] = v;
      p[3] = 255;
    }
  }
}

// True when all four pixels at p are opaque: one test of their alpha bytes together.
inline bool FourOpaque(const BYTE* p) noexcept {
  std::uint64_t a, b;
  std::memcpy(&a, p, 8);
  std::memcpy(&b, p + 8, 8);
  constexpr std::uint64_t kAlpha = 0xFF000000FF000000ull;  // BGRA in little-endian words
  return (a & b & kAlpha) == kAlpha;
}

// True when all four pixels at p are clear (alpha 0).
inline bool FourClear(const BYTE* p) noexcept {
  std::uint64_t a, b;
  std::memcpy(&a, p, 8);
  std::memcpy(&b, p + 8, 8);
  constexpr std::uint64_t kAlpha = 0xFF000000FF000000ull;
  return ((a | b) & kAlpha) == 0;
}

void CompositeOnly(BYTE* pixels, UINT width, UINT height, std::size_t stride, CompositeTable& table) {
  const bool keepOpaque = table.OpaqueIsIdentity();
  // Clear pixels show the paper whatever their colour bytes, so all of them come out alike: pages
  // without a background are mostly clear, and are written four at a time.
  const BYTE* clearRow = table.Row(0);
  const bool clearIsFlat = std::all_of(clearRow, clearRow + 256, [&](BYTE v) { return v == clearRow[0]; });
  const BYTE paper = clearRow[0];
  const BYTE clearFour[16] = {paper, paper, paper, 255, paper, paper, paper, 255,
                              paper, paper, paper, 255, paper, paper, paper, 255};
  for (UINT y = 0; y < height; ++y) {
    BYTE* p = pixels + y * stride;
    for (UINT x = 0; x < width; ++x, p += 4) {
      // Rendered pages are mostly opaque or clear: skip or fill them four at a time.
      if (keepOpaque) {
        for (; x + 4 <= width && FourOpaque(p); x += 4) p += 16;
      }
      if (clearIsFlat) {
        for (; x + 4 <= width && FourClear(p); x += 4, p += 16) std::memcpy(p, clearFour, sizeof clearFour);
      }
      if (x == width) break;
      if (!keepOpaque || p[3] != 255) {
        const BYTE* row = table.Row(p[3]);
        p[0] = row[p[0]];
        p[1] = row[p[1]];
        p[2] = row[p[2]];
        p[3] = 255;
      }
    }
  }
}

}  // namespace

Brightness BrightnessFor(const std::string& option) noexcept {
  if (option == "fraco") return {true, 2.0};
  if (option == "mfraco") return {true, 1.4};
  if (option == "normal") return {false, 1.0};
  if (option == "mforte") return {true, 0.75};
  if (option == "forte") return {true, 0.25};
  return {true, 1.0};
}

BYTE CompositeAndCurve(BYTE colour, BYTE alpha, const Brightness& brightness) noexcept {
  const double a = alpha / 255.0;
  double c = colour * a + (1.0 - a) * 255.0;
  if (brightness.curve) c = std::pow(c / 255.0, 1.0 / brightness.factor) * 255.0;
  if (c > 255.0) c = 255.0;
  if (c < 0.0) c = 0.0;
  return static_cast<BYTE>(static_cast<int>(c));
}

CompositeTable::CompositeTable() : values_(256u * 256u) {}

void CompositeTable::Select(const Brightness& brightness) {
  if (brightness == brightness_) return;
  brightness_ = brightness;
  ready_.fill(false);
}

void CompositeTable::Fill(BYTE alpha) noexcept {
  BYTE* row = &values_[alpha * 256u];
  for (int c = 0; c < 256; ++c) row[c] = CompositeAndCurve(static_cast<BYTE>(c), alpha, brightness_);
  ready_[alpha] = true;
}

bool CompositeTable::OpaqueIsIdentity() noexcept {
  const BYTE* row = Row(255);
  for (int c = 0; c < 256; ++c) {
    if (row[c] != c) return false;
  }
  return true;
}

OrderedDither OrderedDitherFor(const std::string& option) noexcept {
  if (option == "2x2") return OrderedDither::Matrix2x2;
  if (option == "4x4") return OrderedDither::Matrix4x4;
  return OrderedDither::None;
}

void CompositeBrightenDither(BYTE* pixels, UINT width, UINT height, std::size_t stride, CompositeTable& table,
                             OrderedDither dither) noexcept {
  switch (dither) {
    case OrderedDither::Matrix2x2:
      CompositeAndOrderedDither<2>(pixels, width, height, stride, table);
      break;
    case OrderedDither::Matrix4x4:
      CompositeAndOrderedDither<4>(pixels, width, height, stride, table);
      break;
    case OrderedDither::None:
      CompositeOnly(pixels, width, height, stride, table);
      break;
  }
}

}  // namespace brimloft
