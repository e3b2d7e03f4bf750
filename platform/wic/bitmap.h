// The in-memory bitmap: pixels owned by the object, locked for reading (shared) or writing
// (exclusive), copied out through CopyPixels.
#ifndef BRIMLOFT_PLATFORM_WIC_BITMAP_H
#define BRIMLOFT_PLATFORM_WIC_BITMAP_H

#include <platform/com_object.h>
#include <wincodec.h>

#include <platform/com_ref.h>

#include "pixel_memory.h"

#include <cstddef>
#include <memory>
#include <mutex>

namespace platform::wic {

// Answered only by the component's own bitmaps, so that its readers find one by asking it, which
// works whatever made the source (type information is there only for this component's objects).
extern const IID IID_PlatformWicBitmap;

class Bitmap final : public ComObject<IWICBitmap, &IID_IWICBitmapSource, &IID_IWICBitmap, &IID_PlatformWicBitmap> {
 public:
  // A zero-filled bitmap. Fails (throws) with E_INVALIDARG for a zero width or height,
  // WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT for an unknown format, WINCODEC_ERR_IMAGESIZEOUTOFRANGE when
  // the pixels would not fit in 4 GiB (the size limit of the interface's buffers), E_OUTOFMEMORY.
  static Ref<Bitmap> Create(UINT width, UINT height, REFWICPixelFormatGUID format);

  // A bitmap holding the pixels of rect (null: all) of source, with its format and resolution.
  // WICBitmapCacheOnLoad copies them now; WICBitmapCacheOnDemand and WICBitmapNoCache copy them at
  // the first Lock or CopyPixels, which then report a failure of the source. Fails like Create, with
  // E_INVALIDARG for a null source, a bad option or a rectangle outside the source, and with any
  // failure of the source's GetSize, GetPixelFormat or (on load) CopyPixels.
  static Ref<Bitmap> CreateFromSource(IWICBitmapSource* source, const WICRect* rect,
                                      WICBitmapCreateCacheOption option);

  // Shared read access for the component's own consumers, as a read lock of the whole bitmap.
  // Fails with WINCODEC_ERR_ALREADYLOCKED while a write lock is held.
  class ReadAccess {
   public:
    explicit ReadAccess(Bitmap& bitmap);
    ~ReadAccess();
    ReadAccess(const ReadAccess&) = delete;
    ReadAccess& operator=(const ReadAccess&) = delete;
    const BYTE* Pixels() const { return bitmap_.pixels_.get(); }
    UINT Stride() const { return bitmap_.stride_; }

   private:
    Bitmap& bitmap_;
  };

  UINT Width() const { return width_; }
  UINT Height() const { return height_; }
  UINT Bpp() const { return bpp_; }

  // Ends a lock taken by Lock; called by the lock object when it goes.
  void Unlock(bool write);

  // IWICBitmapSource
  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override;
  HRESULT STDMETHODCALLTYPE GetResolution(double* dpiX, double* dpiY) override;
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) override;
  // IWICBitmap
  HRESULT STDMETHODCALLTYPE Lock(const WICRect* rect, DWORD flags, IWICBitmapLock** lock) override;
  HRESULT STDMETHODCALLTYPE SetPalette(IWICPalette* palette) override;
  HRESULT STDMETHODCALLTYPE SetResolution(double dpiX, double dpiY) override;

 private:
  Bitmap(UINT width, UINT height, REFWICPixelFormatGUID format, UINT bpp, UINT stride);
  // Create, leaving the pixels unset when they are about to be copied in.
  static Ref<Bitmap> Make(UINT width, UINT height, REFWICPixelFormatGUID format, bool zero);
  // Copies the pixels of a cache-on-demand source in, once; the caller holds mutex_.
  void LoadLocked();
  // Takes a lock of the given kind, loading the pixels first; fails with WINCODEC_ERR_ALREADYLOCKED.
  void Acquire(bool write);

  const UINT width_, height_, bpp_, stride_;
  const GUID format_;
  PixelMemory pixels_;
  std::mutex mutex_;  // guards what follows
  double dpiX_ = 96.0, dpiY_ = 96.0;
  UINT readers_ = 0;
  bool writer_ = false;
  Ref<IWICBitmapSource> pending_;  // source still to be copied in (cache on demand)
  WICRect pendingRect_{};
};

}  // namespace platform::wic

#endif
