// Bytes per pixel row for the standard imaging pixel formats.
#ifndef BRIMLOFT_PRINTER_ROWBYTES_H
#define BRIMLOFT_PRINTER_ROWBYTES_H

#include <wincodec.h>

namespace brimloft {

// Bits per pixel of a standard pixel format of the family 6FDDC324-4E03-4BFE-B185-3D77768DC9xx;
// 0 for any other identifier.
UINT BitsPerPixel(REFWICPixelFormatGUID format) noexcept;

// (width * bits per pixel + 7) / 8 in unsigned 32-bit arithmetic; 0 for an unknown format. Never
// fails. For the black-and-white format this is (width + 7) / 8.
UINT RowBytes(UINT width, REFWICPixelFormatGUID format = GUID_WICPixelFormatBlackWhite) noexcept;

}  // namespace brimloft

#endif
