// The flip-rotator: its source turned by quarter turns and mirrored, pulled on demand.
#ifndef BRIMLOFT_PLATFORM_WIC_FLIP_ROTATOR_H
#define BRIMLOFT_PLATFORM_WIC_FLIP_ROTATOR_H

#include <platform/com_object.h>
#include <wincodec.h>

#include <platform/com_ref.h>

#include <cstdint>
#include <mutex>

namespace platform::wic {

// Where an output pixel comes from: source (sx, sy) = (ax·x + bx·y + cx, ay·x + by·y + cy).
struct PixelMap {
  std::int64_t ax, bx, cx, ay, by, cy;
};

// The map of a transform of a w x h source. The rotation is applied first (Rotate90 turns clockwise,
// Rotate270 counter-clockwise: output (x, y) is input (w-1-y, x)), then the flips, in output space.
PixelMap TransformMap(WICBitmapTransformOptions options, UINT w, UINT h);

class FlipRotator final
    : public ComObject<IWICBitmapFlipRotator, &IID_IWICBitmapSource, &IID_IWICBitmapFlipRotator> {
 public:
  FlipRotator() = default;

  // Fails with E_INVALIDARG for a null source or an unknown option bit, WINCODEC_ERR_WRONGSTATE
  // when already initialised, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT for a format of unknown size.
  HRESULT STDMETHODCALLTYPE Initialize(IWICBitmapSource* source, WICBitmapTransformOptions options) override;

  // Before Initialize every method fails with WINCODEC_ERR_NOTINITIALIZED.
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override;
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;

 private:
  std::mutex mutex_;  // serialises Initialize against use
  Ref<IWICBitmapSource> source_;
  GUID format_{};
  UINT bpp_ = 0;
  UINT width_ = 0, height_ = 0;       // output size
  UINT srcWidth_ = 0, srcHeight_ = 0;
  bool swap_ = false;                  // a quarter turn: the axes trade places
  PixelMap map_{};
};

}  // namespace platform::wic

#endif
