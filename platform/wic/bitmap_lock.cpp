#include "bitmap_lock.h"

#include "pixel_format.h"

namespace platform::wic {

BitmapLock::BitmapLock(Bitmap* bitmap, BYTE* data, const WICRect& rect, UINT stride,
                       REFWICPixelFormatGUID format, bool write)
    : bitmap_(bitmap),
      data_(data),
      width_(UINT(rect.Width)),
      height_(UINT(rect.Height)),
      stride_(stride),
      // Fits: the whole bitmap is at most 4 GiB and the rectangle lies inside it.
      size_(UINT(std::uint64_t(stride) * (height_ - 1) + RowBytes64(width_, bitmap->Bpp()))),
      format_(format),
      write_(write) {}

BitmapLock::~BitmapLock() { bitmap_->Unlock(write_); }

HRESULT BitmapLock::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  *width = width_;
  *height = height_;
  return S_OK;
}

HRESULT BitmapLock::GetStride(UINT* stride) {
  if (stride == nullptr) return E_INVALIDARG;
  *stride = stride_;
  return S_OK;
}

HRESULT BitmapLock::GetDataPointer(UINT* bufferSize, BYTE** data) {
  if (bufferSize == nullptr || data == nullptr) return E_INVALIDARG;
  *bufferSize = size_;
  *data = data_;
  return S_OK;
}

HRESULT BitmapLock::GetPixelFormat(WICPixelFormatGUID* format) {
  if (format == nullptr) return E_INVALIDARG;
  *format = format_;
  return S_OK;
}

}  // namespace platform::wic
