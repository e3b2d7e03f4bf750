#include "flip_rotator.h"

#include "copy_request.h"
#include "pixel_format.h"
#include "pixel_rows.h"
#include "wic_error.h"

#include <algorithm>
#include <cstring>

namespace platform::wic {
namespace {

constexpr DWORD kKnownOptions = WICBitmapTransformRotate270 | WICBitmapTransformFlipHorizontal |
                                WICBitmapTransformFlipVertical;

// Output rows made per read of the source: a quarter turn reads this many source columns at once.
constexpr INT kBandRows = 32;
constexpr INT kTileColumns = 64;

template <std::size_t N>
void MoveRow(const BYTE* src, std::ptrdiff_t step, BYTE* dst, INT count) {
  for (INT i = 0; i < count; ++i, src += step, dst += N) std::memcpy(dst, src, N);
}

void MoveRowBytes(const BYTE* src, std::ptrdiff_t step, BYTE* dst, INT count, UINT bytes) {
  switch (bytes) {
    case 1: return MoveRow<1>(src, step, dst, count);
    case 2: return MoveRow<2>(src, step, dst, count);
    case 3: return MoveRow<3>(src, step, dst, count);
    case 4: return MoveRow<4>(src, step, dst, count);
    case 6: return MoveRow<6>(src, step, dst, count);
    case 8: return MoveRow<8>(src, step, dst, count);
    case 12: return MoveRow<12>(src, step, dst, count);
    case 16: return MoveRow<16>(src, step, dst, count);
    default:
      for (INT i = 0; i < count; ++i, src += step, dst += bytes) std::memcpy(dst, src, bytes);
  }
}

// Pixels under a byte: moved one at a time, most significant bits first; the row's spare bits end 0.
void MoveRowBits(const BYTE* base, std::size_t stride, UINT bpp, std::int64_t sx, std::int64_t sy,
                 std::int64_t dx, std::int64_t dy, BYTE* dst, INT count) {
  std::memset(dst, 0, RowBytes64(std::uint64_t(count), bpp));
  const unsigned mask = (1u << bpp) - 1;
  for (INT i = 0; i < count; ++i, sx += dx, sy += dy) {
    const std::uint64_t bit = std::uint64_t(sx) * bpp;
    const BYTE* s = base + std::size_t(sy) * stride + bit / 8;
    const unsigned v = (*s >> (8 - bpp - bit % 8)) & mask;
    const std::uint64_t out = std::uint64_t(i) * bpp;
    dst[out / 8] |= BYTE(v << (8 - bpp - out % 8));
  }
}

}  // namespace

PixelMap TransformMap(WICBitmapTransformOptions options, UINT w, UINT h) {
  const int turns = int(options & WICBitmapTransformRotate270);
  const bool swap = (turns & 1) != 0;
  const std::int64_t W = swap ? h : w, H = swap ? w : h;  // output size
  // Undo the flips first: (x, y) of the output -> (u, v) of the rotated, unflipped image.
  std::int64_t ux = 1, uy = 0, uc = 0, vx = 0, vy = 1, vc = 0;
  if (options & WICBitmapTransformFlipHorizontal) ux = -1, uc = W - 1;
  if (options & WICBitmapTransformFlipVertical) vy = -1, vc = H - 1;
  const std::int64_t sw = w, sh = h;
  switch (turns) {
    case 0:  // (u, v)
      return {ux, uy, uc, vx, vy, vc};
    case 1:  // clockwise: (v, h-1-u)
      return {vx, vy, vc, -ux, -uy, sh - 1 - uc};
    case 2:  // (w-1-u, h-1-v)
      return {-ux, -uy, sw - 1 - uc, -vx, -vy, sh - 1 - vc};
    default:  // counter-clockwise: (w-1-v, u)
      return {-vx, -vy, sw - 1 - vc, ux, uy, uc};
  }
}

HRESULT FlipRotator::Initialize(IWICBitmapSource* source, WICBitmapTransformOptions options) {
  return Guarded([&] {
    if (source == nullptr || (DWORD(options) & ~kKnownOptions) != 0) Fail(E_INVALIDARG);
    std::lock_guard<std::mutex> hold(mutex_);
    if (source_) Fail(WINCODEC_ERR_WRONGSTATE);
    UINT w = 0, h = 0;
    Check(source->GetSize(&w, &h));
    GUID format{};
    Check(source->GetPixelFormat(&format));
    const UINT bpp = BitsPerPixel(format);
    if (bpp == 0 || (bpp > 8 && bpp % 8 != 0)) Fail(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
    swap_ = (options & WICBitmapTransformRotate90) != 0;
    format_ = format;
    bpp_ = bpp;
    srcWidth_ = w;
    srcHeight_ = h;
    width_ = swap_ ? h : w;
    height_ = swap_ ? w : h;
    map_ = TransformMap(options, w, h);
    source_ = Ref<IWICBitmapSource>(source);
  });
}

HRESULT FlipRotator::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  *width = width_;
  *height = height_;
  return S_OK;
}

HRESULT FlipRotator::GetPixelFormat(WICPixelFormatGUID* format) {
  if (format == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  *format = format_;
  return S_OK;
}

HRESULT FlipRotator::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  const HRESULT hr = source_->GetResolution(dpiX, dpiY);
  if (SUCCEEDED(hr) && swap_) std::swap(*dpiX, *dpiY);
  return hr;
}

HRESULT FlipRotator::CopyPalette(IWICPalette* palette) {
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  return source_->CopyPalette(palette);
}

HRESULT FlipRotator::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  return Guarded([&] {
    if (!source_) Fail(WINCODEC_ERR_NOTINITIALIZED);
    const WICRect r = CheckCopyRequest(rect, width_, height_, bpp_, stride, bufferSize, buffer);
    if (Empty(r)) return;
    const PixelMap& m = map_;
    SourceReader reader(source_.get(), bpp_);
    for (INT y0 = r.Y; y0 < r.Y + r.Height; y0 += kBandRows) {
      const INT y1 = std::min(r.Y + r.Height, y0 + kBandRows);
      // The source rectangle behind output rows y0..y1-1, columns r.X..r.X+r.Width-1: the box
      // spanned by the images of its corners.
      const std::int64_t xs[2] = {r.X, r.X + r.Width - 1}, ys[2] = {y0, y1 - 1};
      std::int64_t minX = INT64_MAX, maxX = INT64_MIN, minY = INT64_MAX, maxY = INT64_MIN;
      for (std::int64_t x : xs)
        for (std::int64_t y : ys) {
          const std::int64_t sx = m.ax * x + m.bx * y + m.cx, sy = m.ay * x + m.by * y + m.cy;
          minX = std::min(minX, sx), maxX = std::max(maxX, sx);
          minY = std::min(minY, sy), maxY = std::max(maxY, sy);
        }
      const WICRect box{INT(minX), INT(minY), INT(maxX - minX + 1), INT(maxY - minY + 1)};
      const SourceReader::View view = reader.Read(box);
      if (bpp_ < 8) {
        for (INT y = y0; y < y1; ++y) {
          const std::int64_t sx = m.ax * r.X + m.bx * y + m.cx - minX;
          const std::int64_t sy = m.ay * r.X + m.by * y + m.cy - minY;
          // The view starts at the box's left pixel, on a byte boundary.
          MoveRowBits(view.data, view.stride, bpp_, sx, sy, m.ax, m.ay, buffer + std::size_t(y - r.Y) * stride,
                      r.Width);
        }
        continue;
      }
      // In tiles of kBandRows x kTileColumns, so that a quarter turn, which reads the source down its
      // columns, finds each source line still in cache for the next output row.
      const UINT bytes = bpp_ / 8;
      const std::ptrdiff_t step = std::ptrdiff_t(m.ax) * bytes + std::ptrdiff_t(m.ay) * std::ptrdiff_t(view.stride);
      for (INT x0 = 0; x0 < r.Width; x0 += kTileColumns) {
        const INT count = std::min(kTileColumns, r.Width - x0);
        for (INT y = y0; y < y1; ++y) {
          const std::int64_t sx = m.ax * (r.X + x0) + m.bx * y + m.cx - minX;
          const std::int64_t sy = m.ay * (r.X + x0) + m.by * y + m.cy - minY;
          const BYTE* src = view.data + std::size_t(sy) * view.stride + std::size_t(sx) * bytes;
          MoveRowBytes(src, step, buffer + std::size_t(y - r.Y) * stride + std::size_t(x0) * bytes, count, bytes);
        }
      }
    }
  });
}

}  // namespace platform::wic
