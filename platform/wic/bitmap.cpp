#include "bitmap.h"

#include "bitmap_lock.h"
#include "copy_request.h"
#include "pixel_format.h"
#include "pixel_memory.h"
#include "pixel_rows.h"
#include "wic_error.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace platform::wic {

const IID IID_PlatformWicBitmap = {0x3c0f5a8e, 0x51d2, 0x4b7a, {0x9e, 0x6d, 0x28, 0x41, 0xb7, 0x0c, 0x5a, 0x93}};

Bitmap::Bitmap(UINT width, UINT height, REFWICPixelFormatGUID format, UINT bpp, UINT stride)
    : width_(width), height_(height), bpp_(bpp), stride_(stride), format_(format) {}

Ref<Bitmap> Bitmap::Create(UINT width, UINT height, REFWICPixelFormatGUID format) {
  return Make(width, height, format, true);
}

Ref<Bitmap> Bitmap::Make(UINT width, UINT height, REFWICPixelFormatGUID format, bool zero) {
  if (width == 0 || height == 0) Fail(E_INVALIDARG);
  // Rectangles are signed 32-bit: a larger side could never be addressed.
  if (width > UINT(INT32_MAX) || height > UINT(INT32_MAX)) Fail(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  const UINT bpp = BitsPerPixel(format);
  if (bpp == 0) Fail(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
  const std::uint64_t stride = RowBytes64(width, bpp);
  const std::uint64_t size = stride * height;  // both factors < 2^37 and 2^31: no wrap
  if (size > UINT32_MAX) Fail(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  auto bitmap = Ref<Bitmap>::Adopt(new Bitmap(width, height, format, bpp, UINT(stride)));
  bitmap->pixels_ = AllocatePixels(std::size_t(size), zero);
  if (!bitmap->pixels_) Fail(E_OUTOFMEMORY);
  return bitmap;
}

Ref<Bitmap> Bitmap::CreateFromSource(IWICBitmapSource* source, const WICRect* rect,
                                     WICBitmapCreateCacheOption option) {
  if (source == nullptr) Fail(E_INVALIDARG);
  if (option != WICBitmapNoCache && option != WICBitmapCacheOnDemand && option != WICBitmapCacheOnLoad)
    Fail(E_INVALIDARG);
  UINT width = 0, height = 0;
  Check(source->GetSize(&width, &height));
  WICRect r{0, 0, INT(width), INT(height)};
  if (rect != nullptr) {
    CheckRectInside(*rect, width, height);
    r = *rect;
  } else if (width > UINT(INT32_MAX) || height > UINT(INT32_MAX)) {
    Fail(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
  }
  GUID format{};
  Check(source->GetPixelFormat(&format));
  // No one sees the pixels before the source's have been copied in.
  Ref<Bitmap> bitmap = Make(UINT(r.Width), UINT(r.Height), format, false);
  double dpiX = 0, dpiY = 0;
  if (SUCCEEDED(source->GetResolution(&dpiX, &dpiY))) {
    bitmap->dpiX_ = dpiX;
    bitmap->dpiY_ = dpiY;
  }
  bitmap->pending_ = Ref<IWICBitmapSource>(source);
  bitmap->pendingRect_ = r;
  if (option == WICBitmapCacheOnLoad) {
    std::lock_guard<std::mutex> hold(bitmap->mutex_);
    bitmap->LoadLocked();
  }
  return bitmap;
}

void Bitmap::LoadLocked() {
  if (!pending_) return;
  const UINT size = stride_ * height_;
  Check(pending_->CopyPixels(&pendingRect_, stride_, size, pixels_.get()));
  pending_.reset();
}

void Bitmap::Acquire(bool write) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (writer_ || (write && readers_ > 0)) Fail(WINCODEC_ERR_ALREADYLOCKED);
  LoadLocked();
  if (write)
    writer_ = true;
  else
    ++readers_;
}

void Bitmap::Unlock(bool write) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (write)
    writer_ = false;
  else
    --readers_;
}

Bitmap::ReadAccess::ReadAccess(Bitmap& bitmap) : bitmap_(bitmap) { bitmap_.Acquire(false); }
Bitmap::ReadAccess::~ReadAccess() { bitmap_.Unlock(false); }

HRESULT Bitmap::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  *width = width_;
  *height = height_;
  return S_OK;
}

HRESULT Bitmap::GetPixelFormat(WICPixelFormatGUID* format) {
  if (format == nullptr) return E_INVALIDARG;
  *format = format_;
  return S_OK;
}

HRESULT Bitmap::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(mutex_);
  *dpiX = dpiX_;
  *dpiY = dpiY_;
  return S_OK;
}

HRESULT Bitmap::SetResolution(double dpiX, double dpiY) {
  if (!std::isfinite(dpiX) || !std::isfinite(dpiY) || dpiX <= 0 || dpiY <= 0) return E_INVALIDARG;
  std::lock_guard<std::mutex> hold(mutex_);
  dpiX_ = dpiX;
  dpiY_ = dpiY;
  return S_OK;
}

// No indexed formats are kept, so there is never a palette to give or take.
HRESULT Bitmap::CopyPalette(IWICPalette* palette) {
  return palette == nullptr ? E_INVALIDARG : WINCODEC_ERR_PALETTEUNAVAILABLE;
}

HRESULT Bitmap::SetPalette(IWICPalette* palette) {
  return palette == nullptr ? E_INVALIDARG : WINCODEC_ERR_UNSUPPORTEDOPERATION;
}

HRESULT Bitmap::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  return Guarded([&] {
    const WICRect r = CheckCopyRequest(rect, width_, height_, bpp_, stride, bufferSize, buffer);
    if (Empty(r)) return;
    ReadAccess access(*this);
    CopyRect(access.Pixels(), access.Stride(), bpp_, r, buffer, stride);
  });
}

HRESULT Bitmap::Lock(const WICRect* rect, DWORD flags, IWICBitmapLock** lock) {
  if (lock == nullptr) return E_INVALIDARG;
  *lock = nullptr;
  return Guarded([&] {
    if (flags == 0 || (flags & ~DWORD(WICBitmapLockRead | WICBitmapLockWrite)) != 0) Fail(E_INVALIDARG);
    WICRect r{0, 0, INT(width_), INT(height_)};
    if (rect != nullptr) {
      CheckRectInside(*rect, width_, height_);
      r = *rect;
    }
    // A lock hands out a byte pointer: its left edge must fall on a byte.
    if (Empty(r) || (std::uint64_t(r.X) * bpp_) % 8 != 0) Fail(E_INVALIDARG);
    const bool write = (flags & WICBitmapLockWrite) != 0;
    Acquire(write);
    BYTE* data = pixels_.get() + std::size_t(r.Y) * stride_ + std::size_t(r.X) * bpp_ / 8;
    *lock = new (std::nothrow) BitmapLock(this, data, r, stride_, format_, write);
    if (*lock == nullptr) {
      Unlock(write);
      Fail(E_OUTOFMEMORY);
    }
  });
}

}  // namespace platform::wic
