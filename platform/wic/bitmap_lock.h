// A lock on a rectangle of a bitmap: direct access to its pixels until the lock is released.
#ifndef BRIMLOFT_PLATFORM_WIC_BITMAP_LOCK_H
#define BRIMLOFT_PLATFORM_WIC_BITMAP_LOCK_H

#include <platform/com_object.h>
#include <wincodec.h>

#include "bitmap.h"
#include "platform/com_ref.h"

namespace platform::wic {

class BitmapLock final : public ComObject<IWICBitmapLock, &IID_IWICBitmapLock> {
 public:
  // Adopts a lock already taken on bitmap; the final Release ends it.
  BitmapLock(Bitmap* bitmap, BYTE* data, const WICRect& rect, UINT stride, REFWICPixelFormatGUID format,
             bool write);

  HRESULT STDMETHODCALLTYPE GetSize(UINT* width, UINT* height) override;
  HRESULT STDMETHODCALLTYPE GetStride(UINT* stride) override;
  HRESULT STDMETHODCALLTYPE GetDataPointer(UINT* bufferSize, BYTE** data) override;
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* format) override;

 private:
  ~BitmapLock() override;

  Ref<Bitmap> bitmap_;
  BYTE* const data_;
  const UINT width_, height_, stride_, size_;
  const GUID format_;
  const bool write_;
};

}  // namespace platform::wic

#endif
