// The scaler: its source resampled to a new size, by area averaging (Fant) or nearest neighbour,
// pulled on demand in bands of rows.
#ifndef BRIMLOFT_PLATFORM_WIC_BITMAP_SCALER_H
#define BRIMLOFT_PLATFORM_WIC_BITMAP_SCALER_H

#include <platform/com_object.h>
#include <wincodec.h>

#include "axis_taps.h"
#include "platform/com_ref.h"

#include <mutex>

namespace platform::wic {

class BitmapScaler final : public ComObject<IWICBitmapScaler, &IID_IWICBitmapSource, &IID_IWICBitmapScaler> {
 public:
  BitmapScaler() = default;

  // Every channel, alpha included, is averaged on its own and rounded to nearest (halves up).
  // Fails with E_INVALIDARG for a null source, a zero size (given or of the source) or an unknown
  // mode; WINCODEC_ERR_UNSUPPORTEDOPERATION for the linear and cubic modes;
  // WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT unless every channel of the format is one byte (gray, BGR,
  // BGRA and kin); WINCODEC_ERR_IMAGESIZEOUTOFRANGE for sizes beyond 2^31 - 1 or whose exact
  // weights would need more than 39 bits; WINCODEC_ERR_WRONGSTATE when already initialised.
  HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* source, UINT width, UINT height,
                                       WICBitmapInterpolationMode mode) override;

  // Before Initialize every method fails with WINCODEC_ERR_NOTINITIALIZED. The resolution is the
  // source's.
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override;
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

 private:
  template <class Acc, int C>
  void Resample(const WICRect& r, UINT stride, BYTE* buffer);
  template <class Acc>
  void ResampleChannels(const WICRect& r, UINT stride, BYTE* buffer);

  std::mutex mutex_;  // serialises Initialize against use
  Ref<IWICBitmapSource> source_;
  GUID format_{};
  UINT channels_ = 0;
  UINT width_ = 0, height_ = 0;
  AxisScale across_, down_;
  bool wide_ = false;      // sums need more than 31 bits
  std::uint64_t half_ = 0;  // unit / 2, for rounding
  double inverse_ = 0;     // 1 / unit, nudged up so that truncating a product gives the exact quotient
};

}  // namespace platform::wic

#endif
