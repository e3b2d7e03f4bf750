#include "format_converter.h"

#include "copy_request.h"
#include "pixel_rows.h"
#include "wic_error.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace platform::wic {
namespace {

// Bytes of source rows read at a time.
constexpr std::size_t kBandBytes = std::size_t(1) << 20;

INT BandRows(UINT width, UINT bytesPerPixel) {
  const std::size_t row = std::max<std::size_t>(1, std::size_t(width) * bytesPerPixel);
  return INT(std::clamp<std::size_t>(kBandBytes / row, 1, 4096));
}

bool CanConvertFormats(REFWICPixelFormatGUID from, REFWICPixelFormatGUID to) {
  if (from == to) return BitsPerPixel(from) != 0;
  ColourLayout layout;
  return to == GUID_WICPixelFormatBlackWhite && ColourLayoutOf(from, &layout);
}

}  // namespace

HRESULT FormatConverter::Initialize(IWICBitmapSource* source, REFWICPixelFormatGUID dstFormat,
                                    WICBitmapDitherType dither, IWICPalette* /*palette*/,
                                    double alphaThresholdPercent, WICBitmapPaletteType paletteTranslate) {
  return Guarded([&] {
    if (source == nullptr || DWORD(dither) > DWORD(WICBitmapDitherTypeErrorDiffusion) ||
        DWORD(paletteTranslate) > DWORD(WICBitmapPaletteTypeFixedGray256) ||
        !(alphaThresholdPercent >= 0.0 && alphaThresholdPercent <= 100.0))
      Fail(E_INVALIDARG);
    std::lock_guard<std::mutex> hold(mutex_);
    if (source_) Fail(WINCODEC_ERR_WRONGSTATE);
    UINT w = 0, h = 0;
    Check(source->GetSize(&w, &h));
    GUID from{};
    Check(source->GetPixelFormat(&from));
    if (!CanConvertFormats(from, dstFormat)) Fail(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
    passThrough_ = from == dstFormat;
    if (!passThrough_) {
      if (dither != WICBitmapDitherTypeNone && dither != WICBitmapDitherTypeErrorDiffusion)
        Fail(WINCODEC_ERR_UNSUPPORTEDOPERATION);
      ColourLayoutOf(from, &layout_);
      diffuse_ = dither == WICBitmapDitherTypeErrorDiffusion;
    }
    format_ = dstFormat;
    bpp_ = BitsPerPixel(dstFormat);
    sourceBpp_ = BitsPerPixel(from);
    width_ = w;
    height_ = h;
    source_ = Ref<IWICBitmapSource>(source);
  });
}

HRESULT FormatConverter::CanConvert(REFWICPixelFormatGUID srcFormat, REFWICPixelFormatGUID dstFormat,
                                    BOOL* canConvert) {
  if (canConvert == nullptr) return E_INVALIDARG;
  *canConvert = CanConvertFormats(srcFormat, dstFormat) ? TRUE : FALSE;
  return S_OK;
}

HRESULT FormatConverter::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  *width = width_;
  *height = height_;
  return S_OK;
}

HRESULT FormatConverter::GetPixelFormat(WICPixelFormatGUID* format) {
  if (format == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  *format = format_;
  return S_OK;
}

HRESULT FormatConverter::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  return source_->GetResolution(dpiX, dpiY);
}

HRESULT FormatConverter::CopyPalette(IWICPalette* palette) {
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  if (passThrough_) return source_->CopyPalette(palette);
  if (palette == nullptr) return E_INVALIDARG;
  return palette->InitializePredefined(WICBitmapPaletteTypeFixedBW, FALSE);
}

HRESULT FormatConverter::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  return Guarded([&] {
    if (!source_) Fail(WINCODEC_ERR_NOTINITIALIZED);
    const WICRect r = CheckCopyRequest(rect, width_, height_, bpp_, stride, bufferSize, buffer);
    if (Empty(r)) return;
    if (passThrough_) return Check(source_->CopyPixels(&r, stride, bufferSize, buffer));
    std::lock_guard<std::mutex> hold(mutex_);
    if (diffuse_)
      Diffuse(r, stride, buffer);
    else
      Threshold(r, stride, buffer);
  });
}

void FormatConverter::Threshold(const WICRect& r, UINT stride, BYTE* buffer) {
  SourceReader reader(source_.get(), sourceBpp_);
  const INT band = BandRows(UINT(r.Width), layout_.bytes);
  for (INT y0 = r.Y; y0 < r.Y + r.Height; y0 += band) {
    const INT rows = std::min(band, r.Y + r.Height - y0);
    const SourceReader::View view = reader.Read(WICRect{r.X, y0, r.Width, rows});
    for (INT k = 0; k < rows; ++k)
      ThresholdRow(view.data + std::size_t(k) * view.stride, layout_, UINT(r.Width),
                   buffer + std::size_t(y0 - r.Y + k) * stride);
  }
}

void FormatConverter::Diffuse(const WICRect& r, UINT stride, BYTE* buffer) {
  // Every row is diffused whole, from the top: restart when asked for rows already passed.
  if (!diffusion_ || r.Y < nextRow_) {
    diffusion_.reset();
    diffusion_ = std::make_unique<ErrorDiffusion>(width_);
    nextRow_ = 0;
  }
  const bool whole = r.X == 0 && UINT(r.Width) == width_;
  std::vector<BYTE> row(whole ? 0 : RowBytes64(width_, 1));
  SourceReader reader(source_.get(), sourceBpp_);
  const INT band = BandRows(width_, layout_.bytes);
  const INT end = r.Y + r.Height;
  while (nextRow_ < end) {
    const INT rows = std::min(band, end - nextRow_);
    const SourceReader::View view = reader.Read(WICRect{0, nextRow_, INT(width_), rows});
    for (INT k = 0; k < rows; ++k, ++nextRow_) {
      const BYTE* src = view.data + std::size_t(k) * view.stride;
      if (nextRow_ < r.Y) {  // above the request: only the carried error matters
        if (row.empty()) row.resize(RowBytes64(width_, 1));
        diffusion_->Row(src, layout_, row.data());
        continue;
      }
      BYTE* out = buffer + std::size_t(nextRow_ - r.Y) * stride;
      if (whole) {
        diffusion_->Row(src, layout_, out);
      } else {
        diffusion_->Row(src, layout_, row.data());
        CopyRect(row.data(), 0, 1, WICRect{r.X, 0, r.Width, 1}, out, 0);
      }
    }
  }
}

}  // namespace platform::wic
