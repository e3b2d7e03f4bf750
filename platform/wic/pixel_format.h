// What the imaging component knows about a pixel format: its size and the order of its channels.
#ifndef BRIMLOFT_PLATFORM_WIC_PIXEL_FORMAT_H
#define BRIMLOFT_PLATFORM_WIC_PIXEL_FORMAT_H

#include <wincodec.h>

#include <cstdint>

namespace platform::wic {

// Bits per pixel of a standard format; 0 for a format this component does not know.
UINT BitsPerPixel(REFWICPixelFormatGUID format);

// Whole bytes per pixel when every channel is one byte (gray, BGR, BGRA and their kin); 0 otherwise.
UINT ByteChannels(REFWICPixelFormatGUID format);

// Bytes of one row of width pixels, in 64 bits so that it cannot wrap.
inline std::uint64_t RowBytes64(std::uint64_t width, UINT bpp) { return (width * bpp + 7) / 8; }

// Offsets of blue, green and red within a pixel of a colour format that the black-and-white
// conversion reads; false for formats it cannot read.
struct ColourLayout {
  UINT bytes;  // per pixel
  UINT blue, green, red;
  bool gray;   // one byte of luminance, no colour channels
};
bool ColourLayoutOf(REFWICPixelFormatGUID format, ColourLayout* layout);

}  // namespace platform::wic

#endif
