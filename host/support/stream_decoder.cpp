#include "support/stream_decoder.h"

#include <png.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <sstream>

namespace brimloft::host {

namespace {

constexpr std::uint8_t kBandPrologue[] = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08};
constexpr std::uint8_t kRasterPrologue[] = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x02};
constexpr std::size_t kBandRows = 24;
constexpr std::size_t kRasterRowBytes = 72;

std::string Hex(std::uint8_t b) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string{digits[b >> 4], digits[b & 15]};
}

// Dots laid out while decoding; rows grow as the paper feeds.
class PaperBuilder {
 public:
  void Set(std::size_t x, std::size_t y) {
    if (y >= rows_.size()) rows_.resize(y + 1);
    auto& row = rows_[y];
    if (x >= row.size()) row.resize(x + 1, 0);
    row[x] = 1;
    width_ = std::max(width_, x + 1);
  }
  void Widen(std::size_t width) { width_ = std::max(width_, width); }
  void Feed(std::size_t rows) { row_ += rows; }
  std::size_t row() const { return row_; }
  void AddCut(CutKind kind) { cuts_.push_back({row_, kind}); }

  Paper Finish() {
    Paper paper;
    paper.width = width_;
    paper.height = std::max(row_, rows_.size());
    paper.dots.assign(paper.width * paper.height, 0);
    for (std::size_t y = 0; y < rows_.size(); ++y) {
      std::copy(rows_[y].begin(), rows_[y].end(), paper.dots.begin() + y * paper.width);
    }
    paper.cuts = std::move(cuts_);
    return paper;
  }

 private:
  std::vector<std::vector<std::uint8_t>> rows_;
  std::vector<Cut> cuts_;
  std::size_t width_ = 0;
  std::size_t row_ = 0;
};

class Decoder {
 public:
  Decoder(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  DecodedStream Run() {
    summary_.totalBytes = size_;
    bool afterBand = false;
    while (pos_ < size_) {
      const std::size_t start = pos_;
      if (Matches(kBandPrologue)) {
        ++summary_.bandPrologues;
        Command(sizeof kBandPrologue);
      } else if (Matches(kRasterPrologue)) {
        ++summary_.rasterPrologues;
        Command(sizeof kRasterPrologue);
      } else if (Matches({0x1B, 0x7A, 0x30})) {
        ++summary_.segments;
        Command(3);
      } else if (Matches({0x1B, 0x41, 0x08})) {
        ++summary_.bandEnds;
        if (!afterBand) ++summary_.loneBandEnds;
        paper_.Feed(kBandRows);
        Command(3);
      } else if (Matches({0x1B, 0x77})) {
        ++summary_.fullCuts;
        paper_.AddCut(CutKind::Full);
        Command(2);
      } else if (Matches({0x1B, 0x6D})) {
        ++summary_.partialCuts;
        paper_.AddCut(CutKind::Partial);
        Command(2);
      } else if (Matches({0x1B, 0x2A, 0x21})) {
        Band(CountAt(start, "band image"));
        afterBand = true;
        continue;
      } else if (Matches({0x1B, 0x2A, 0x62})) {
        Raster(CountAt(start, "raster block"));
      } else if (Matches({0x1B, 0x7A, 0x31})) {
        throw StreamError(start, "incomplete band-mode prologue" + Following(start));
      } else if (Matches({0x1D, 0x4C})) {
        throw StreamError(start, "incomplete raster-mode prologue" + Following(start));
      } else {
        throw StreamError(start, "unknown command byte " + Hex(data_[start]) + Following(start));
      }
      afterBand = false;
    }
    return {summary_, paper_.Finish()};
  }

 private:
  template <std::size_t N>
  bool Matches(const std::uint8_t (&bytes)[N]) const {
    return size_ - pos_ >= N && std::memcmp(data_ + pos_, bytes, N) == 0;
  }
  bool Matches(std::initializer_list<std::uint8_t> bytes) const {
    return size_ - pos_ >= bytes.size() && std::equal(bytes.begin(), bytes.end(), data_ + pos_);
  }

  void Command(std::size_t length) {
    summary_.commandBytes += length;
    pos_ += length;
  }

  std::string Following(std::size_t start) const {
    std::string text;
    const std::size_t end = std::min(size_, start + 8);
    for (std::size_t i = start + 1; i < end; ++i) text += " " + Hex(data_[i]);
    return text.empty() ? std::string() : " (followed by" + text + ")";
  }

  // The two count bytes (low first) after a three-byte command.
  std::size_t CountAt(std::size_t start, const char* what) {
    if (size_ - start < 5) {
      throw StreamError(start, std::string("truncated ") + what + " command: its count is missing");
    }
    Command(5);
    return data_[start + 3] + 256u * data_[start + 4];
  }

  void Need(std::size_t start, std::size_t bytes, const char* what) const {
    if (size_ - pos_ < bytes) {
      std::ostringstream text;
      text << "truncated " << what << " command: it announces " << bytes << " data bytes but only "
           << size_ - pos_ << " follow";
      throw StreamError(start, text.str());
    }
  }

  void Band(std::size_t columns) {
    const std::size_t start = pos_ - 5;
    Need(start, 3 * columns, "band image");
    const std::size_t top = paper_.row();
    for (std::size_t x = 0; x < columns; ++x) {
      for (std::size_t g = 0; g < 3; ++g) {
        const std::uint8_t bits = data_[pos_ + 3 * x + g];
        for (std::size_t j = 0; j < 8; ++j) {
          if (bits & (0x80u >> j)) Dot(x, top + 8 * g + j);
        }
      }
    }
    paper_.Widen(columns);
    ++summary_.bands;
    summary_.bandColumns += columns;
    summary_.imageBytes += 3 * columns;
    pos_ += 3 * columns;
  }

  void Raster(std::size_t rows) {
    const std::size_t start = pos_ - 5;
    Need(start, rows * kRasterRowBytes, "raster block");
    const std::size_t top = paper_.row();
    for (std::size_t r = 0; r < rows; ++r) {
      for (std::size_t i = 0; i < kRasterRowBytes; ++i) {
        const std::uint8_t bits = data_[pos_ + r * kRasterRowBytes + i];
        for (std::size_t b = 0; b < 8; ++b) {
          if (bits & (0x80u >> b)) Dot(8 * i + b, top + r);
        }
      }
    }
    paper_.Widen(8 * kRasterRowBytes);
    paper_.Feed(rows);
    ++summary_.rasterBlocks;
    summary_.rasterRows += rows;
    summary_.imageBytes += rows * kRasterRowBytes;
    pos_ += rows * kRasterRowBytes;
  }

  void Dot(std::size_t x, std::size_t y) {
    paper_.Set(x, y);
    ++summary_.dots;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
  StreamSummary summary_;
  PaperBuilder paper_;
};

}  // namespace

StreamError::StreamError(std::size_t offset, const std::string& what)
    : std::runtime_error("offset " + std::to_string(offset) + ": " + what), offset_(offset) {}

DecodedStream DecodeStream(const std::uint8_t* data, std::size_t size) {
  return Decoder(data, size).Run();
}

std::string FormatSummary(const StreamSummary& s) {
  std::ostringstream out;
  out << "bytes: " << s.totalBytes << " (image data " << s.imageBytes << ", commands " << s.commandBytes << ")\n"
      << "segments: " << s.segments << "\n"
      << "prologues: " << s.bandPrologues + s.rasterPrologues << " (band mode " << s.bandPrologues
      << ", raster mode " << s.rasterPrologues << ")\n"
      << "bands: " << s.bands << " (" << s.bandColumns << " columns)\n"
      << "band ends: " << s.bandEnds << " (lone " << s.loneBandEnds << ")\n"
      << "raster blocks: " << s.rasterBlocks << " (" << s.rasterRows << " rows)\n"
      << "cuts: " << s.fullCuts + s.partialCuts << " (full " << s.fullCuts << ", partial " << s.partialCuts
      << ")\n"
      << "dots: " << s.dots << "\n";
  return out.str();
}

void WritePaperPng(const Paper& paper, const std::string& path) {
  // An empty paper still makes a valid picture: one white row of the raster width.
  const std::size_t width = paper.width != 0 ? paper.width : 8 * kRasterRowBytes;
  const std::size_t height = paper.height != 0 ? paper.height : 1;
  if (width > 0x7FFFFFFF / 3 || height > 0x7FFFFFFF) throw std::runtime_error("paper too large for a PNG");
  std::vector<std::uint8_t> pixels(width * height * 3, 0xFF);
  for (std::size_t y = 0; y < paper.height; ++y) {
    for (std::size_t x = 0; x < paper.width; ++x) {
      if (paper.Dot(x, y)) std::memset(&pixels[(y * width + x) * 3], 0, 3);
    }
  }
  for (const Cut& cut : paper.cuts) {
    const std::size_t y = std::min(cut.row, height - 1);
    const std::uint8_t colour[3] = {std::uint8_t(cut.kind == CutKind::Full ? 0xE0 : 0x20), 0x20,
                                    std::uint8_t(cut.kind == CutKind::Full ? 0x20 : 0xE0)};
    for (std::size_t x = 0; x < width; ++x) {
      if ((x / 6) % 2 == 0) std::memcpy(&pixels[(y * width + x) * 3], colour, 3);
    }
  }
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(width);
  image.height = static_cast<png_uint_32>(height);
  image.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), static_cast<png_int_32>(width * 3),
                               nullptr)) {
    const std::string message = image.message;
    png_image_free(&image);
    throw std::runtime_error("cannot write " + path + ": " + message);
  }
}

}  // namespace brimloft::host
