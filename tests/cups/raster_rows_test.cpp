// Raster page headers the filter accepts, and rows of each layout turned into 32-bit pixels.
#include <gtest/gtest.h>

#include <vector>

#include "host/cupsfilter/raster_rows.h"
#include "raster_fixture.h"

namespace brimloft::rasterfilter {
namespace {

using testing::Header;

struct FormatCase {
  const char* name;
  cups_cspace_t space;
  unsigned bitsPerColor;
  unsigned bitsPerPixel;
  PixelKind kind;
};

TEST(RasterRowFormat, AcceptsBitsGreyAndRgbLayouts) {
  const FormatCase cases[] = {
      {"1-bit K", CUPS_CSPACE_K, 1, 1, PixelKind::InkBits},
      {"1-bit W", CUPS_CSPACE_W, 1, 1, PixelKind::LightBits},
      {"1-bit SW", CUPS_CSPACE_SW, 1, 1, PixelKind::LightBits},
      {"8-bit K", CUPS_CSPACE_K, 8, 8, PixelKind::InkGrey},
      {"8-bit W", CUPS_CSPACE_W, 8, 8, PixelKind::LightGrey},
      {"8-bit SW", CUPS_CSPACE_SW, 8, 8, PixelKind::LightGrey},
      {"24-bit RGB", CUPS_CSPACE_RGB, 8, 24, PixelKind::Rgb},
      {"24-bit sRGB", CUPS_CSPACE_SRGB, 8, 24, PixelKind::Rgb},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(c.name);
    const cups_page_header2_t h = Header(c.space, c.bitsPerColor, c.bitsPerPixel, 13, 2);
    const RowFormat format = RowFormatOf(h);
    EXPECT_EQ(format.kind, c.kind);
    EXPECT_EQ(format.width, 13u);
    EXPECT_EQ(format.bytesPerLine, h.cupsBytesPerLine);
  }
}

struct RefusedCase {
  const char* name;
  cups_page_header2_t header;
  const char* message;
};

TEST(RasterRowFormat, RefusesWhatItCannotPrintWithAReason) {
  cups_page_header2_t planar = Header(CUPS_CSPACE_RGB, 8, 24, 10, 1);
  planar.cupsColorOrder = CUPS_ORDER_PLANAR;
  cups_page_header2_t shortLines = Header(CUPS_CSPACE_RGB, 8, 24, 10, 1);
  shortLines.cupsBytesPerLine = 29;
  const RefusedCase cases[] = {
      {"no width", Header(CUPS_CSPACE_SW, 8, 8, 0, 5), "the page is 0 pixels wide"},
      {"CMYK", Header(CUPS_CSPACE_CMYK, 8, 32, 10, 1),
       "unsupported raster format (colour space 6, 8 bits per colour, 32 bits per pixel)"},
      {"16-bit grey", Header(CUPS_CSPACE_SW, 16, 16, 10, 1),
       "unsupported raster format (colour space 18, 16 bits per colour, 16 bits per pixel)"},
      {"2-bit grey", Header(CUPS_CSPACE_K, 2, 2, 10, 1),
       "unsupported raster format (colour space 3, 2 bits per colour, 2 bits per pixel)"},
      {"1-bit RGB", Header(CUPS_CSPACE_RGB, 1, 4, 10, 1),
       "unsupported raster format (colour space 1, 1 bits per colour, 4 bits per pixel)"},
      {"planar RGB", planar, "banded or planar colour pages are not supported"},
      {"short lines", shortLines, "29 bytes per line are too few for 10 pixels"},
  };
  for (const RefusedCase& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      RowFormatOf(c.header);
      ADD_FAILURE() << "accepted";
    } catch (const host::HostError& e) {
      EXPECT_STREQ(e.what(), c.message);
    }
  }
}

// Converts a row into a buffer with guard bytes on both sides, pre-filled with a sentinel.
std::vector<unsigned char> Convert(const RowFormat& format, const std::vector<unsigned char>& row) {
  constexpr unsigned char kSentinel = 0xA5;
  std::vector<unsigned char> out(4 * format.width + 8, kSentinel);
  ConvertRow(format, row.data(), out.data() + 4);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(out[i], kSentinel) << "written before the row";
    EXPECT_EQ(out[out.size() - 1 - i], kSentinel) << "written after the row";
  }
  return std::vector<unsigned char>(out.begin() + 4, out.end() - 4);
}

std::vector<unsigned char> GreyPixels(const std::vector<unsigned char>& values) {
  std::vector<unsigned char> bgra;
  for (unsigned char v : values) bgra.insert(bgra.end(), {v, v, v, 255});
  return bgra;
}

TEST(RasterRowConversion, OneBitRowsMapTheirBitsLeftmostFirst) {
  // 10 pixels: 1010 0000 11 (the last byte's spare bits are set and must be ignored).
  const std::vector<unsigned char> row = {0xA0, 0xFF};
  RowFormat ink{PixelKind::InkBits, 10, 2};
  EXPECT_EQ(Convert(ink, row), GreyPixels({0, 255, 0, 255, 255, 255, 255, 255, 0, 0}));
  RowFormat light{PixelKind::LightBits, 10, 2};
  EXPECT_EQ(Convert(light, row), GreyPixels({255, 0, 255, 0, 0, 0, 0, 0, 255, 255}));
}

TEST(RasterRowConversion, GreyRowsKeepOrInvertTheirLevels) {
  const std::vector<unsigned char> row = {0, 1, 128, 254, 255};
  RowFormat light{PixelKind::LightGrey, 5, 5};
  EXPECT_EQ(Convert(light, row), GreyPixels({0, 1, 128, 254, 255}));
  RowFormat ink{PixelKind::InkGrey, 5, 5};
  EXPECT_EQ(Convert(ink, row), GreyPixels({255, 254, 127, 1, 0}));
}

TEST(RasterRowConversion, RgbRowsBecomeBlueGreenRedAlpha) {
  const std::vector<unsigned char> row = {10, 20, 30, 255, 0, 128, 1, 2, 3, 0};  // a padding byte
  RowFormat rgb{PixelKind::Rgb, 3, 10};
  EXPECT_EQ(Convert(rgb, row), (std::vector<unsigned char>{30, 20, 10, 255, 128, 0, 255, 255, 3, 2, 1, 255}));
}

}  // namespace
}  // namespace brimloft::rasterfilter
