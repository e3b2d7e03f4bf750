#include "host/decoder/paper_png.h"

#include <png.h>

#include <algorithm>
#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "host/failures/host_error.h"

namespace brimloft::host {

namespace {

// Palette entries, four bits a pixel.
enum Colour : std::uint8_t { kWhite, kBlack, kRed, kBlue, kGrey };
constexpr png_color kPalette[] = {{0xFF, 0xFF, 0xFF}, {0, 0, 0}, {0xE0, 0x20, 0x20}, {0x20, 0x20, 0xE0},
                                  {0xC0, 0xC0, 0xC0}};
constexpr std::size_t kDash = 6;  // pixels a dash of a cut line, and a gap

void SetPixel(std::uint8_t* row, std::size_t x, std::uint8_t colour) {
  std::uint8_t& pair = row[x / 2];
  pair = x % 2 == 0 ? std::uint8_t((pair & 0x0F) | (colour << 4)) : std::uint8_t((pair & 0xF0) | colour);
}

// The picture's rows top to bottom, each made when it is asked for.
class RowPainter {
 public:
  RowPainter(const Paper& paper, std::size_t width)
      : paper_(paper), width_(width), dots_((width + 7) / 8), blank_((width + 1) / 2), row_(blank_.size()) {
    for (std::size_t x = 0; x < width; ++x) SetPixel(blank_.data(), x, x < paper.width ? kWhite : kGrey);
  }

  // Row y; rows are asked for in order.
  const std::uint8_t* Row(std::size_t y) noexcept {
    std::fill(dots_.begin(), dots_.end(), 0);
    paper_.OrRow(y, run_, dots_.data(), dots_.size());
    const bool inked = std::any_of(dots_.begin(), dots_.end(), [](std::uint8_t b) { return b != 0; });
    while (cut_ < paper_.cuts.size() && CutRow(paper_.cuts[cut_]) < y) ++cut_;
    const bool cut = cut_ < paper_.cuts.size() && CutRow(paper_.cuts[cut_]) == y;
    if (!inked && !cut) return blank_.data();
    std::memcpy(row_.data(), blank_.data(), row_.size());
    for (std::size_t i = 0; inked && i < dots_.size(); ++i) {
      for (std::size_t b = 0; dots_[i] != 0 && b < 8; ++b) {
        if (dots_[i] & (0x80u >> b)) SetPixel(row_.data(), 8 * i + b, kBlack);
      }
    }
    if (cut) {
      // A full cut wins over a partial one on the same row.
      CutKind kind = CutKind::Partial;
      for (std::size_t c = cut_; c < paper_.cuts.size() && CutRow(paper_.cuts[c]) == y; ++c) {
        if (paper_.cuts[c].kind == CutKind::Full) kind = CutKind::Full;
      }
      const std::uint8_t colour = kind == CutKind::Full ? kRed : kBlue;
      for (std::size_t x = 0; x < width_; x += 2 * kDash) {
        for (std::size_t d = x; d < x + kDash && d < width_; ++d) SetPixel(row_.data(), d, colour);
      }
    }
    return row_.data();
  }

 private:
  // A cut after the last row is drawn on the last row.
  std::size_t CutRow(const Cut& cut) const { return std::min(cut.row, std::max<std::size_t>(paper_.height, 1) - 1); }

  const Paper& paper_;
  std::size_t width_;
  std::vector<std::uint8_t> dots_;   // the row's dots, one bit a dot
  std::vector<std::uint8_t> blank_;  // the row without dots, four bits a pixel
  std::vector<std::uint8_t> row_;
  std::size_t run_ = 0;
  std::size_t cut_ = 0;
};

struct PngFailure {
  char message[256] = "";
};

void OnPngError(png_structp png, png_const_charp message) {
  auto* failure = static_cast<PngFailure*>(png_get_error_ptr(png));
  std::snprintf(failure->message, sizeof failure->message, "%s", message);
  png_longjmp(png, 1);
}

void OnPngWarning(png_structp, png_const_charp) {}

// Everything that may jump back through setjmp runs here; nothing in this frame has a destructor.
bool WriteRows(png_structp png, png_infop info, RowPainter& rows, png_uint_32 width, png_uint_32 height) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_set_user_limits(png, 0x7FFFFFFF, 0x7FFFFFFF);
  png_set_IHDR(png, info, width, height, 4, PNG_COLOR_TYPE_PALETTE, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_set_PLTE(png, info, kPalette, sizeof kPalette / sizeof kPalette[0]);
  png_write_info(png, info);
  for (png_uint_32 y = 0; y < height; ++y) png_write_row(png, rows.Row(y));
  png_write_end(png, info);
  return true;
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

}  // namespace

void WritePaperPng(const Paper& paper, const std::string& path) {
  // An empty paper still makes a valid picture: one white row.
  const std::size_t width = std::max<std::size_t>({paper.width, paper.inkWidth, 1});
  const std::size_t height = std::max<std::size_t>(paper.height, 1);
  if (width > 0x7FFFFFFF || height > 0x7FFFFFFF) {
    throw HostError(HrTooLarge(), "cannot draw " + path + ": a paper of " + std::to_string(width) + " x " +
                    std::to_string(height) + " dots is too large for a PNG");
  }
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
  if (!file) throw SystemFailure("cannot write " + path);
  PngFailure failure;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &failure, OnPngError, OnPngWarning);
  png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
  struct PngDestroyer {
    png_structp& png;
    png_infop& info;
    ~PngDestroyer() { png_destroy_write_struct(&png, &info); }
  } destroyer{png, info};
  if (info == nullptr) throw HostError(E_OUTOFMEMORY, "cannot write " + path + ": out of memory");
  png_init_io(png, file.get());
  RowPainter rows(paper, width);
  if (!WriteRows(png, info, rows, png_uint_32(width), png_uint_32(height))) {
    throw HostError(HRESULT_FROM_WIN32(ERROR_WRITE_FAULT), "cannot write " + path + ": " + failure.message);
  }
  const bool flushed = std::fflush(file.get()) == 0;
  const int error = errno;
  if (!flushed || std::fclose(file.release()) != 0) {
    const int why = flushed ? errno : error;
    throw SystemFailure("cannot write " + path, why);
  }
}

}  // namespace brimloft::host
