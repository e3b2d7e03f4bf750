// Validation of a CopyPixels request, shared by every bitmap source of the component.
#ifndef BRIMLOFT_PLATFORM_WIC_COPY_REQUEST_H
#define BRIMLOFT_PLATFORM_WIC_COPY_REQUEST_H

#include <wincodec.h>

namespace platform::wic {

// Checks a request against an image of width x height pixels of bpp bits and returns the rectangle
// to copy (the whole image for a null prc). Fails (throws) with E_INVALIDARG for a null buffer, a
// rectangle with a negative field or reaching outside the image, a stride shorter than one row of
// the rectangle, or a buffer shorter than stride x (rows - 1) + one row. A rectangle of zero width
// or height is valid and copies nothing: callers test Empty() before touching the buffer.
WICRect CheckCopyRequest(const WICRect* prc, UINT width, UINT height, UINT bpp, UINT stride,
                         UINT bufferSize, const BYTE* buffer);

inline bool Empty(const WICRect& r) { return r.Width == 0 || r.Height == 0; }

// Checks that r lies within width x height (non-negative fields); fails with E_INVALIDARG.
void CheckRectInside(const WICRect& r, UINT width, UINT height);

}  // namespace platform::wic

#endif
