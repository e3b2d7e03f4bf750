// The pixel layouts of CUPS raster pages that the filter accepts, and their conversion to the
// 32-bit blue-green-red-alpha rows that the printer output takes.
#ifndef BRIMLOFT_HOST_CUPSFILTER_RASTER_ROWS_H
#define BRIMLOFT_HOST_CUPSFILTER_RASTER_ROWS_H

#include <cups/raster.h>

#include <cstddef>
#include <string>

#include "host/failures/host_error.h"

namespace brimloft::rasterfilter {


enum class PixelKind {
  InkBits,    // 1 bit, 1 = black (CUPS_CSPACE_K)
  LightBits,  // 1 bit, 1 = white (CUPS_CSPACE_W, CUPS_CSPACE_SW)
  InkGrey,    // 8 bits, 255 = black
  LightGrey,  // 8 bits, 255 = white
  Rgb,        // 3 x 8 bits, red first
};

struct RowFormat {
  PixelKind kind = PixelKind::LightGrey;
  unsigned width = 0;         // pixels
  unsigned bytesPerLine = 0;  // bytes of one raster row, as read
};

// The row format of a page header. Throws HostError (HrCorruptData) naming what is not supported: a width of 0,
// a colour space other than K, W, SW, RGB or sRGB, bits other than 1 or 8 per grey pixel and 24
// per colour pixel, a banded or planar colour page, or fewer bytes per line than the width needs.
RowFormat RowFormatOf(const cups_page_header2_t& header);

// Converts one raster row of format.bytesPerLine bytes into format.width pixels of four bytes
// (blue, green, red, alpha 255) at bgra.
void ConvertRow(const RowFormat& format, const unsigned char* row, unsigned char* bgra) noexcept;

}  // namespace brimloft::rasterfilter

#endif
