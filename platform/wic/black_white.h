// Conversion of colour rows to one bit per pixel: bit 1 is white, the leftmost pixel is the most
// significant bit of its byte, and the spare bits of a row's last byte are 0.
//
// The luminance is Y = 0.2126 R + 0.7152 G + 0.0722 B on the 0..255 scale, computed in fixed point
// as (13933 R + 46871 G + 4732 B) / 65536. Alpha is not consulted: callers composite first.
#ifndef BRIMLOFT_PLATFORM_WIC_BLACK_WHITE_H
#define BRIMLOFT_PLATFORM_WIC_BLACK_WHITE_H

#include <wincodec.h>

#include "pixel_format.h"

#include <cstdint>
#include <vector>

namespace platform::wic {

// Luminance in units of 1/65536, 0 .. 255 x 65536.
inline std::uint32_t Luminance16(const BYTE* p, const ColourLayout& l) {
  if (l.gray) return std::uint32_t(p[0]) << 16;
  return 13933u * p[l.red] + 46871u * p[l.green] + 4732u * p[l.blue];
}

// Fixed threshold: a pixel is white when its luminance is 128 or more (a byte grey of 128 is white,
// 127 is black).
void ThresholdRow(const BYTE* src, const ColourLayout& layout, UINT count, BYTE* dst);

// Floyd–Steinberg error diffusion over rows taken from top to bottom, each left to right: the error
// of each pixel goes 7/16 to the right, 3/16 down-left, 5/16 down and 1/16 down-right; error that
// would leave the image is dropped. Levels are kept in sixteenths, and the shares are split so that
// they add up to the whole error, so the mean grey level of the image is kept.
class ErrorDiffusion {
 public:
  explicit ErrorDiffusion(UINT width);
  // Converts the next row (width pixels) into dst.
  void Row(const BYTE* src, const ColourLayout& layout, BYTE* dst);

 private:
  UINT width_;
  std::vector<std::int32_t> below_;    // error for the next row, indexed x + 1
  std::vector<std::uint32_t> levels_;  // luminances of the row being converted
};

}  // namespace platform::wic

#endif
