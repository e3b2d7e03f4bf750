// Reads a printer command stream back: checks every command and count, sums it up and lays the
// printed dots out on a paper image.
#ifndef BRIMLOFT_HOST_STREAM_DECODER_H
#define BRIMLOFT_HOST_STREAM_DECODER_H

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brimloft::host {

struct StreamSummary {
  std::size_t totalBytes = 0;
  std::size_t segments = 0;  // closing commands: every segment has exactly one
  std::size_t bandPrologues = 0;
  std::size_t rasterPrologues = 0;
  std::size_t bands = 0;        // band image commands
  std::size_t bandColumns = 0;  // columns they carry
  std::size_t bandEnds = 0;     // all band ends, also those closing a band image
  std::size_t loneBandEnds = 0; // band ends with no band image before them: blank bands and feeds
  std::size_t rasterBlocks = 0;
  std::size_t rasterRows = 0;
  std::size_t fullCuts = 0;
  std::size_t partialCuts = 0;
  std::size_t imageBytes = 0;    // band columns and raster rows
  std::size_t commandBytes = 0;  // everything else
  std::size_t dots = 0;
};

enum class CutKind { Full, Partial };

struct Cut {
  std::size_t row;  // the paper is cut above this row
  CutKind kind;
};

// The paper as printed: a band image prints 24 rows at the current row, a band end feeds 24 rows,
// a raster block prints its rows of 576 dots and feeds by them.
struct Paper {
  std::size_t width = 0;
  std::size_t height = 0;
  std::vector<std::uint8_t> dots;  // width * height, row by row, 1 = a dot
  std::vector<Cut> cuts;

  bool Dot(std::size_t x, std::size_t y) const { return x < width && y < height && dots[y * width + x] != 0; }
};

struct DecodedStream {
  StreamSummary summary;
  Paper paper;
};

// An unknown command or a count announcing more bytes than follow, at a byte offset.
class StreamError : public std::runtime_error {
 public:
  StreamError(std::size_t offset, const std::string& what);
  std::size_t offset() const noexcept { return offset_; }

 private:
  std::size_t offset_;
};

// Throws StreamError at the first byte that is no known command or whose count overruns the stream.
DecodedStream DecodeStream(const std::uint8_t* data, std::size_t size);

// The summary as lines of "name: value".
std::string FormatSummary(const StreamSummary& summary);

// Writes the paper as an RGB PNG: white paper, black dots, full cuts as a red and partial cuts as
// a blue dashed line. Throws std::runtime_error when the file cannot be written.
void WritePaperPng(const Paper& paper, const std::string& path);

}  // namespace brimloft::host

#endif
