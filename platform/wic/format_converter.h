// The format converter: colour to one bit per pixel (plain threshold or error diffusion), and any
// format to itself.
#ifndef BRIMLOFT_PLATFORM_WIC_FORMAT_CONVERTER_H
#define BRIMLOFT_PLATFORM_WIC_FORMAT_CONVERTER_H

#include <platform/com_object.h>
#include <wincodec.h>

#include "black_white.h"
#include "platform/com_ref.h"
#include "pixel_format.h"

#include <memory>
#include <mutex>

namespace platform::wic {

class FormatConverter final
    : public ComObject<IWICFormatConverter, &IID_IWICBitmapSource, &IID_IWICFormatConverter> {
 public:
  FormatConverter() = default;

  // Conversions: a source format to itself (the pixels pass unchanged), and 32bpp BGRA, PBGRA, BGR,
  // RGBA, PRGBA, RGB, 24bpp BGR, RGB or 8bpp gray to black-and-white with WICBitmapDitherTypeNone
  // (threshold) or WICBitmapDitherTypeErrorDiffusion (Floyd–Steinberg); see black_white.h. The
  // palette and alpha threshold do not affect these conversions.
  // Fails with E_INVALIDARG for a null source, an unknown dither or palette type, or an alpha
  // threshold outside 0..100; WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT for another pair of formats;
  // WINCODEC_ERR_UNSUPPORTEDOPERATION for the ordered dithers to black-and-white;
  // WINCODEC_ERR_WRONGSTATE when already initialised; and with a failure of the source's GetSize or
  // GetPixelFormat.
  HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* source, REFWICPixelFormatGUID dstFormat,
                                       WICBitmapDitherType dither, IWICPalette* palette,
                                       double alphaThresholdPercent, WICBitmapPaletteType paletteTranslate) override;
  HRESULT STDMETHODCALLTYPE CanConvert(REFWICPixelFormatGUID srcFormat, REFWICPixelFormatGUID dstFormat,
                                       BOOL* canConvert) override;

  // Before Initialize every method fails with WINCODEC_ERR_NOTINITIALIZED. Error diffusion depends on
  // the rows above: rows are made from the top and the state is kept, so pulling an image in
  // successive bands costs the same as pulling it whole and gives the same bits.
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override;
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

 private:
  void Threshold(const WICRect& r, UINT stride, BYTE* buffer);
  void Diffuse(const WICRect& r, UINT stride, BYTE* buffer);

  std::mutex mutex_;  // serialises Initialize and CopyPixels
  Ref<IWICBitmapSource> source_;
  GUID format_{};       // the target
  UINT bpp_ = 0;        // of the target
  UINT sourceBpp_ = 0;
  UINT width_ = 0, height_ = 0;
  bool passThrough_ = false;
  bool diffuse_ = false;
  ColourLayout layout_{};
  std::unique_ptr<ErrorDiffusion> diffusion_;  // state of rows made so far
  INT nextRow_ = 0;                            // the row the diffusion state is ready for
};

}  // namespace platform::wic

#endif
