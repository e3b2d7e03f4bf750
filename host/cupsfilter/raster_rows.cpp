#include "host/cupsfilter/raster_rows.h"

#include <cstdint>

namespace brimloft::rasterfilter {

namespace {

bool IsInk(cups_cspace_t space) { return space == CUPS_CSPACE_K; }
bool IsLight(cups_cspace_t space) { return space == CUPS_CSPACE_W || space == CUPS_CSPACE_SW; }
bool IsRgb(cups_cspace_t space) { return space == CUPS_CSPACE_RGB || space == CUPS_CSPACE_SRGB; }

std::string Describe(const cups_page_header2_t& h) {
  return "colour space " + std::to_string(h.cupsColorSpace) + ", " + std::to_string(h.cupsBitsPerColor) +
         " bits per colour, " + std::to_string(h.cupsBitsPerPixel) + " bits per pixel";
}

void Put(unsigned char* pixel, unsigned char blue, unsigned char green, unsigned char red) {
  pixel[0] = blue;
  pixel[1] = green;
  pixel[2] = red;
  pixel[3] = 255;
}

}  // namespace

RowFormat RowFormatOf(const cups_page_header2_t& h) {
  if (h.cupsWidth == 0) throw host::HostError(host::HrCorruptData(), "the page is 0 pixels wide");
  RowFormat format;
  format.width = h.cupsWidth;
  format.bytesPerLine = h.cupsBytesPerLine;
  const bool grey = IsInk(h.cupsColorSpace) || IsLight(h.cupsColorSpace);
  if (grey && h.cupsBitsPerColor == 1 && h.cupsBitsPerPixel == 1) {
    format.kind = IsInk(h.cupsColorSpace) ? PixelKind::InkBits : PixelKind::LightBits;
  } else if (grey && h.cupsBitsPerColor == 8 && h.cupsBitsPerPixel == 8) {
    format.kind = IsInk(h.cupsColorSpace) ? PixelKind::InkGrey : PixelKind::LightGrey;
  } else if (IsRgb(h.cupsColorSpace) && h.cupsBitsPerColor == 8 && h.cupsBitsPerPixel == 24) {
    if (h.cupsColorOrder != CUPS_ORDER_CHUNKED)
      throw host::HostError(host::HrCorruptData(), "banded or planar colour pages are not supported");
    format.kind = PixelKind::Rgb;
  } else {
    throw host::HostError(host::HrCorruptData(), "unsupported raster format (" + Describe(h) + ")");
  }
  const std::uint64_t needed = (std::uint64_t(h.cupsWidth) * h.cupsBitsPerPixel + 7) / 8;
  if (h.cupsBytesPerLine < needed) {
    throw host::HostError(host::HrCorruptData(), std::to_string(h.cupsBytesPerLine) + " bytes per line are too few for " +
                      std::to_string(h.cupsWidth) + " pixels");
  }
  return format;
}

void ConvertRow(const RowFormat& format, const unsigned char* row, unsigned char* bgra) noexcept {
  const unsigned width = format.width;
  switch (format.kind) {
    case PixelKind::InkBits:
    case PixelKind::LightBits: {
      // The leftmost pixel is the top bit of a byte.
      const bool setIsBlack = format.kind == PixelKind::InkBits;
      for (unsigned x = 0; x < width; ++x) {
        const bool set = (row[x >> 3] >> (7 - (x & 7))) & 1;
        const unsigned char v = (set == setIsBlack) ? 0 : 255;
        Put(bgra + 4 * std::size_t(x), v, v, v);
      }
      break;
    }
    case PixelKind::InkGrey:
      for (unsigned x = 0; x < width; ++x) {
        const unsigned char v = static_cast<unsigned char>(255 - row[x]);
        Put(bgra + 4 * std::size_t(x), v, v, v);
      }
      break;
    case PixelKind::LightGrey:
      for (unsigned x = 0; x < width; ++x) Put(bgra + 4 * std::size_t(x), row[x], row[x], row[x]);
      break;
    case PixelKind::Rgb:
      for (unsigned x = 0; x < width; ++x) {
        const unsigned char* p = row + 3 * std::size_t(x);
        Put(bgra + 4 * std::size_t(x), p[2], p[1], p[0]);
      }
      break;
  }
}

}  // namespace brimloft::rasterfilter
