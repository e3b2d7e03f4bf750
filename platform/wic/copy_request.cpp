#include "copy_request.h"

#include "pixel_format.h"
#include "wic_error.h"

#include <cstdint>

namespace platform::wic {

void CheckRectInside(const WICRect& r, UINT width, UINT height) {
  if (r.X < 0 || r.Y < 0 || r.Width < 0 || r.Height < 0) Fail(E_INVALIDARG);
  if (std::uint64_t(r.X) + std::uint64_t(r.Width) > width) Fail(E_INVALIDARG);
  if (std::uint64_t(r.Y) + std::uint64_t(r.Height) > height) Fail(E_INVALIDARG);
}

WICRect CheckCopyRequest(const WICRect* prc, UINT width, UINT height, UINT bpp, UINT stride,
                         UINT bufferSize, const BYTE* buffer) {
  if (buffer == nullptr) Fail(E_INVALIDARG);
  WICRect r{0, 0, INT(width), INT(height)};
  if (prc != nullptr) {
    r = *prc;
  } else if (width > UINT(INT32_MAX) || height > UINT(INT32_MAX)) {
    Fail(E_INVALIDARG);
  }
  CheckRectInside(r, width, height);
  if (Empty(r)) return r;
  const std::uint64_t row = RowBytes64(std::uint64_t(r.Width), bpp);
  if (stride < row) Fail(E_INVALIDARG);
  if (std::uint64_t(stride) * std::uint64_t(r.Height - 1) + row > bufferSize) Fail(E_INVALIDARG);
  return r;
}

}  // namespace platform::wic
