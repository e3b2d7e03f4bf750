#include "host/decoder/stream_decoder.h"

#include <algorithm>
#include <bitset>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <sstream>

namespace brimloft::host {

namespace {

constexpr std::uint8_t kBandPrologue[] = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08};
// Followed by the raster row width in dots, low byte first.
constexpr std::uint8_t kRasterPrologue[] = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57};
constexpr std::size_t kBandRows = 24;
constexpr std::size_t kRasterBlockLimit = 18432;  // bytes a raster block may hold
constexpr std::size_t kHeadWidths[] = {432, 576, 832};

std::string Hex(std::uint8_t b) {
  static const char digits[] = "0123456789ABCDEF";
  return std::string{digits[b >> 4], digits[b & 15]};
}

std::size_t DotsIn(std::uint8_t bits) { return std::bitset<8>(bits).count(); }

// The rightmost dot of a row of bytes (leftmost dot in the top bit), or SIZE_MAX for a blank row.
std::size_t RightmostDot(const std::uint8_t* row, std::size_t bytes) {
  for (std::size_t i = bytes; i-- > 0;) {
    if (row[i] == 0) continue;
    std::size_t bit = 7;
    while ((row[i] & (0x80u >> bit)) == 0) --bit;
    return 8 * i + bit;
  }
  return SIZE_MAX;
}

class Decoder {
 public:
  Decoder(const std::uint8_t* data, std::size_t size, std::size_t headWidth)
      : data_(data), size_(size), headWidth_(headWidth) {}

  DecodedStream Run() {
    summary_.totalBytes = size_;
    bool afterBand = false;
    while (pos_ < size_) {
      const std::size_t start = pos_;
      if (Matches(kBandPrologue)) {
        ++summary_.bandPrologues;
        Command(sizeof kBandPrologue);
      } else if (Matches(kRasterPrologue) && size_ - pos_ >= sizeof kRasterPrologue + 2) {
        RasterPrologue(start);
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
    summary_.fedRows = paper_.row();
    const std::size_t width = PaperWidth();
    return {summary_, paper_.Finish(width)};
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

  // The paper is as wide as the stream says, else as the head the caller names, else as the
  // narrowest head that holds every dot.
  std::size_t PaperWidth() {
    const std::size_t ink = paper_.inkWidth();
    if (widestRaster_ != 0) {
      summary_.paperWidthFrom = "the raster-mode prologue's row width";
      return widestRaster_;
    }
    if (headWidth_ != 0) {
      summary_.paperWidthFrom = "the head width given";
      return headWidth_;
    }
    summary_.paperWidthFrom = "the widest printed column, rounded up to a head width";
    for (std::size_t head : kHeadWidths) {
      if (ink <= head) return head;
    }
    return (ink + 7) / 8 * 8;
  }

  void RasterPrologue(std::size_t start) {
    const std::size_t width = data_[start + 6] + 256u * data_[start + 7];
    if (!IsHeadWidth(width)) {
      throw StreamError(start, "raster-mode prologue declares rows of " + std::to_string(width) +
                                   " dots; the heads print 432, 576 or 832");
    }
    ++summary_.rasterPrologues;
    summary_.rasterWidth = width;
    widestRaster_ = std::max(widestRaster_, width);
    Command(sizeof kRasterPrologue + 2);
  }

  void Band(std::size_t columns) {
    const std::size_t start = pos_ - 5;
    Need(start, 3 * columns, "band image");
    const std::uint8_t* data = data_ + pos_;
    std::size_t used = 0;  // columns up to the last with a dot
    for (std::size_t x = 0; x < columns; ++x) {
      if (data[3 * x] != 0 || data[3 * x + 1] != 0 || data[3 * x + 2] != 0) used = x + 1;
    }
    if (used != 0) {
      const PaperBuilder::Span rows = paper_.Print(paper_.row(), kBandRows, (used + 7) / 8);
      for (std::size_t x = 0; x < used; ++x) {
        for (std::size_t g = 0; g < 3; ++g) {
          const std::uint8_t bits = data[3 * x + g];
          summary_.dots += DotsIn(bits);
          for (std::size_t j = 0; j < 8; ++j) {
            if (bits & (0x80u >> j)) rows.first[(8 * g + j) * rows.stride + x / 8] |= std::uint8_t(0x80u >> (x % 8));
          }
        }
      }
      paper_.Ink(used - 1);
    }
    ++summary_.bands;
    summary_.bandColumns += columns;
    summary_.imageBytes += 3 * columns;
    pos_ += 3 * columns;
  }

  // Raster rows are the head's rows as sent, so they are kept as they come, blank rows at either
  // end of the block left out.
  void Raster(std::size_t rows) {
    const std::size_t start = pos_ - 5;
    const std::size_t width = summary_.rasterWidth != 0 ? summary_.rasterWidth : headWidth_;
    if (width == 0) {
      throw StreamError(start, "raster block before any raster-mode prologue: the width of its rows is unknown "
                               "(give the head's width to read it)");
    }
    const std::size_t rowBytes = (width + 7) / 8;
    if (rows * rowBytes > kRasterBlockLimit) {
      std::ostringstream text;
      text << "raster block of " << rows << " rows of " << width << " dots holds " << rows * rowBytes
           << " bytes, more than the " << kRasterBlockLimit << " a block may hold";
      throw StreamError(start, text.str());
    }
    Need(start, rows * rowBytes, "raster block");
    const std::uint8_t* data = data_ + pos_;
    std::size_t first = rows, last = 0;
    for (std::size_t r = 0; r < rows; ++r) {
      const std::size_t right = RightmostDot(data + r * rowBytes, rowBytes);
      if (right == SIZE_MAX) continue;
      first = std::min(first, r);
      last = r;
      paper_.Ink(right);
    }
    if (first < rows) {
      const PaperBuilder::Span span = paper_.Print(paper_.row() + first, last - first + 1, rowBytes);
      for (std::size_t r = first; r <= last; ++r) {
        const std::uint8_t* row = data + r * rowBytes;
        std::uint8_t* out = span.first + (r - first) * span.stride;
        for (std::size_t i = 0; i < rowBytes; ++i) {
          out[i] |= row[i];
          summary_.dots += DotsIn(row[i]);
        }
      }
    }
    paper_.Feed(rows);
    ++summary_.rasterBlocks;
    summary_.rasterRows += rows;
    summary_.imageBytes += rows * rowBytes;
    pos_ += rows * rowBytes;
  }

  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t headWidth_;
  std::size_t pos_ = 0;
  std::size_t widestRaster_ = 0;
  StreamSummary summary_;
  PaperBuilder paper_;
};

}  // namespace

StreamError::StreamError(std::size_t offset, const std::string& what)
    : HostError(HrCorruptData(), "offset " + std::to_string(offset) + ": " + what), offset_(offset) {}

DecodedStream DecodeStream(const std::uint8_t* data, std::size_t size, std::size_t headWidth) {
  return Decoder(data, size, headWidth).Run();
}

bool IsHeadWidth(std::size_t dots) {
  return std::find(std::begin(kHeadWidths), std::end(kHeadWidths), dots) != std::end(kHeadWidths);
}

std::string FormatSummary(const DecodedStream& decoded) {
  const StreamSummary& s = decoded.summary;
  const Paper& paper = decoded.paper;
  std::ostringstream out;
  out << "bytes: " << s.totalBytes << " (image data " << s.imageBytes << ", commands " << s.commandBytes << ")\n"
      << "segments: " << s.segments << "\n"
      << "prologues: " << s.bandPrologues + s.rasterPrologues << " (band mode " << s.bandPrologues
      << ", raster mode " << s.rasterPrologues << ")\n"
      << "bands: " << s.bands << " (" << s.bandColumns << " columns)\n"
      << "band ends: " << s.bandEnds << " (lone " << s.loneBandEnds << ")\n"
      << "raster blocks: " << s.rasterBlocks << " (" << s.rasterRows << " rows";
  if (s.rasterWidth != 0) out << " of " << s.rasterWidth << " dots";
  out << ")\n"
      << "cuts: " << s.fullCuts + s.partialCuts << " (full " << s.fullCuts << ", partial " << s.partialCuts
      << ")\n"
      << "dots: " << s.dots << "\n"
      << "feeds: " << s.fedRows << " rows (24 a band end, 1 a raster row; a band image prints 24 rows from the "
      << "current row without feeding, and nothing else feeds)\n"
      << "paper: " << paper.width << " x " << paper.height << " dots (width: " << s.paperWidthFrom;
  if (paper.height > s.fedRows) out << "; length: a band image's rows below the last feed";
  out << ")\n";
  if (paper.inkWidth > paper.width) {
    out << "off the paper: dots up to column " << paper.inkWidth - 1 << ", past the paper's " << paper.width
        << " dots\n";
  }
  return out.str();
}

}  // namespace brimloft::host
