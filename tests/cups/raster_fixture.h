// Test material for the CUPS filter: raster files written with libcups, a small PPD file, and a
// look at the paper that a printer stream prints.
#ifndef BRIMLOFT_TESTS_CUPS_RASTER_FIXTURE_H
#define BRIMLOFT_TESTS_CUPS_RASTER_FIXTURE_H

#include <fcntl.h>
#include <unistd.h>

#include <cups/raster.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brimloft::rasterfilter::testing {

// A page to write: its header fields and a function giving the bytes of row y.
struct RasterPage {
  cups_page_header2_t header;
  std::function<std::vector<unsigned char>(unsigned y)> row;
};

inline cups_page_header2_t Header(cups_cspace_t space, unsigned bitsPerColor, unsigned bitsPerPixel,
                                  unsigned width, unsigned height) {
  cups_page_header2_t h;
  std::memset(&h, 0, sizeof h);
  h.cupsColorSpace = space;
  h.cupsColorOrder = CUPS_ORDER_CHUNKED;
  h.cupsBitsPerColor = bitsPerColor;
  h.cupsBitsPerPixel = bitsPerPixel;
  h.cupsWidth = width;
  h.cupsHeight = height;
  h.cupsBytesPerLine = (width * bitsPerPixel + 7) / 8;
  h.HWResolution[0] = h.HWResolution[1] = 203;
  h.PageSize[0] = width * 72 / 203;
  h.PageSize[1] = height * 72 / 203;
  h.NumCopies = 1;
  return h;
}

// An 8-bit white-is-255 page, black (0) inside the rectangle [x0, x1) x [y0, y1), value elsewhere.
inline RasterPage GreyPage(unsigned width, unsigned height, unsigned x0, unsigned y0, unsigned x1,
                           unsigned y1, unsigned char value = 255) {
  RasterPage page{Header(CUPS_CSPACE_SW, 8, 8, width, height), {}};
  page.row = [=](unsigned y) {
    std::vector<unsigned char> row(width, value);
    if (y >= y0 && y < y1) {
      for (unsigned x = x0; x < x1 && x < width; ++x) row[x] = 0;
    }
    return row;
  };
  return page;
}

// Writes the pages to path; with rowsOfLastPage set, the last page stops after that many rows.
inline void WriteRaster(const std::string& path, const std::vector<RasterPage>& pages,
                        int rowsOfLastPage = -1, cups_mode_t mode = CUPS_RASTER_WRITE) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) throw std::runtime_error("cannot create " + path);
  cups_raster_t* raster = cupsRasterOpen(fd, mode);
  for (std::size_t p = 0; p < pages.size(); ++p) {
    cups_page_header2_t header = pages[p].header;
    if (!cupsRasterWriteHeader2(raster, &header)) throw std::runtime_error("cannot write a raster header");
    unsigned rows = header.cupsHeight;
    if (p + 1 == pages.size() && rowsOfLastPage >= 0) rows = static_cast<unsigned>(rowsOfLastPage);
    for (unsigned y = 0; y < rows; ++y) {
      std::vector<unsigned char> row = pages[p].row(y);
      row.resize(header.cupsBytesPerLine, 0);
      cupsRasterWritePixels(raster, row.data(), header.cupsBytesPerLine);
    }
  }
  cupsRasterClose(raster);
  close(fd);
}

// A PPD file that names the variant and the given defaults of the private options.
inline void WritePpd(const std::string& path, const std::string& variant,
                     const std::vector<std::pair<std::string, std::string>>& defaults = {}) {
  std::ofstream ppd(path);
  ppd << "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n*LanguageVersion: English\n"
         "*LanguageEncoding: ISOLatin1\n*PCFileName: \"TEST.PPD\"\n*Manufacturer: \"Kelmoran\"\n"
         "*Product: \"(Test)\"\n*ModelName: \"Test\"\n*ShortNickName: \"Test\"\n*NickName: \"Test\"\n"
         "*PSVersion: \"(3010.000) 0\"\n";
  if (!variant.empty()) ppd << "*BrimloftVariant: \"" << variant << "\"\n";
  for (const auto& [option, choice] : defaults) {
    ppd << "*OpenUI *" << option << ": PickOne\n*Default" << option << ": " << choice << "\n*" << option
        << " " << choice << ": \"\"\n*" << option << " Other: \"\"\n*CloseUI: *" << option << "\n";
  }
}

// The fraction of dotted paper in [x0, x1) x [y0, y1).
template <class Paper>
double DotShare(const Paper& paper, std::size_t x0, std::size_t y0, std::size_t x1, std::size_t y1) {
  std::size_t dots = 0;
  std::size_t all = 0;
  for (std::size_t y = y0; y < y1; ++y) {
    for (std::size_t x = x0; x < x1; ++x, ++all) dots += paper.Dot(x, y) ? 1 : 0;
  }
  return all == 0 ? 0.0 : double(dots) / double(all);
}

}  // namespace brimloft::rasterfilter::testing

#endif
