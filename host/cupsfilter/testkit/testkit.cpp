// brimloft-cups-testkit: the two pictures of the CUPS test.
//   png OUT WIDTH HEIGHT X0 Y0 X1 Y1
//       writes a white greyscale PNG with a black rectangle [X0, X1) x [Y0, Y1)
//   raster PAGES WIDTH HEIGHT
//       writes CUPS raster to standard output: pages of 8-bit grey, 50 rows black, 50 rows white
//   check PREVIEW X0 Y0 X1 Y1 MARGIN MIN_INSIDE MAX_OUTSIDE
//       reads a paper preview (black = dot) and checks that at least MIN_INSIDE of the rectangle, and
//       at most MAX_OUTSIDE of the paper farther than MARGIN dots from it, is dotted (shares 0 to 1)
// Exit status: 0 as expected, 1 not as expected or unreadable, 2 wrong usage.
#include <cups/raster.h>
#include <png.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

struct FileCloser {
  void operator()(std::FILE* f) const noexcept { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

unsigned Number(const char* text) {
  char* end = nullptr;
  const unsigned long value = std::strtoul(text, &end, 10);
  if (end == text || *end != '\0' || value > 100000)
    throw std::invalid_argument(std::string("bad number ") + text);
  return static_cast<unsigned>(value);
}

double Share(const char* text) {
  char* end = nullptr;
  const double value = std::strtod(text, &end);
  if (end == text || *end != '\0' || value < 0 || value > 1)
    throw std::invalid_argument(std::string("bad share ") + text);
  return value;
}

void WritePng(const std::string& path, unsigned width, unsigned height, unsigned x0, unsigned y0, unsigned x1,
              unsigned y1) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    throw std::runtime_error("cannot write " + path);
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<png_byte> row(width);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) row[x] = (x >= x0 && x < x1 && y >= y0 && y < y1) ? 0 : 255;
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
}

void WriteRaster(unsigned pages, unsigned width, unsigned height) {
  cups_raster_t* raster = cupsRasterOpen(1, CUPS_RASTER_WRITE);
  if (raster == nullptr) throw std::runtime_error("cannot write raster to standard output");
  cups_page_header2_t header{};
  header.cupsColorSpace = CUPS_CSPACE_SW;
  header.cupsBitsPerColor = header.cupsBitsPerPixel = 8;
  header.cupsWidth = header.cupsBytesPerLine = width;
  header.cupsHeight = height;
  header.HWResolution[0] = header.HWResolution[1] = 203;
  std::vector<unsigned char> row(width);
  bool written = true;
  for (unsigned p = 0; p < pages && written; ++p) {
    written = cupsRasterWriteHeader2(raster, &header) != 0;
    for (unsigned y = 0; y < height && written; ++y) {
      std::fill(row.begin(), row.end(), y % 100 < 50 ? 0 : 255);
      written = cupsRasterWritePixels(raster, row.data(), width) == width;
    }
  }
  // A reader that stops early (a cancelled filter) is no failure of this program.
  cupsRasterClose(raster);
}

struct Picture {
  unsigned width = 0;
  unsigned height = 0;
  std::vector<bool> dots;
};

Picture ReadPreview(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) throw std::runtime_error("cannot read " + path);
  image.format = PNG_FORMAT_RGB;
  std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
    throw std::runtime_error("cannot decode " + path);
  }
  Picture picture{image.width, image.height, std::vector<bool>(std::size_t(image.width) * image.height)};
  for (std::size_t i = 0; i < picture.dots.size(); ++i) {
    // Black is a dot; white paper and the coloured cut marks are not.
    picture.dots[i] = pixels[3 * i] < 128 && pixels[3 * i + 1] < 128 && pixels[3 * i + 2] < 128;
  }
  return picture;
}

int Check(const std::string& path, unsigned x0, unsigned y0, unsigned x1, unsigned y1, unsigned margin,
          double minInside, double maxOutside) {
  const Picture p = ReadPreview(path);
  std::size_t in = 0, inDots = 0, out = 0, outDots = 0;
  for (unsigned y = 0; y < p.height; ++y) {
    for (unsigned x = 0; x < p.width; ++x) {
      const bool dot = p.dots[std::size_t(y) * p.width + x];
      if (x >= x0 && x < x1 && y >= y0 && y < y1) {
        ++in;
        inDots += dot;
      } else if (x + margin < x0 || x >= x1 + margin || y + margin < y0 || y >= y1 + margin) {
        ++out;
        outDots += dot;
      }
    }
  }
  const double inside = in ? double(inDots) / in : 0.0;
  const double outside = out ? double(outDots) / out : 0.0;
  std::printf("paper %u x %u dots; dotted: %.4f inside the rectangle, %.4f away from it\n", p.width, p.height,
              inside, outside);
  if (in == 0) {
    std::printf("the rectangle lies outside the paper\n");
    return 1;
  }
  return inside >= minInside && outside <= maxOutside ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string command = argc > 1 ? argv[1] : "";
  std::signal(SIGPIPE, SIG_IGN);
  try {
    if (command == "png" && argc == 9) {
      WritePng(argv[2], Number(argv[3]), Number(argv[4]), Number(argv[5]), Number(argv[6]), Number(argv[7]),
               Number(argv[8]));
      return 0;
    }
    if (command == "raster" && argc == 5) {
      WriteRaster(Number(argv[2]), Number(argv[3]), Number(argv[4]));
      return 0;
    }
    if (command == "check" && argc == 10) {
      return Check(argv[2], Number(argv[3]), Number(argv[4]), Number(argv[5]), Number(argv[6]),
                   Number(argv[7]), Share(argv[8]), Share(argv[9]));
    }
  } catch (const std::invalid_argument& e) {
    std::fprintf(stderr, "brimloft-cups-testkit: %s\n", e.what());
    return 2;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brimloft-cups-testkit: %s\n", e.what());
    return 1;
  }
  std::fprintf(stderr,
               "usage: brimloft-cups-testkit png OUT WIDTH HEIGHT X0 Y0 X1 Y1\n"
               "       brimloft-cups-testkit raster PAGES WIDTH HEIGHT\n"
               "       brimloft-cups-testkit check PREVIEW X0 Y0 X1 Y1 MARGIN MIN_INSIDE MAX_OUTSIDE\n");
  return 2;
}
