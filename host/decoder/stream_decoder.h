// Reads a printer command stream back: checks every command and count, sums it up and lays the
// printed dots out on the paper.
#ifndef BRIMLOFT_HOST_STREAM_DECODER_H
#define BRIMLOFT_HOST_STREAM_DECODER_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "host/decoder/printed_paper.h"
#include "host/failures/host_error.h"

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
  std::size_t rasterWidth = 0;  // row width in dots of the last raster-mode prologue, 0 without one
  std::size_t fedRows = 0;      // 24 a band end, 1 a raster row: nothing else feeds
  const char* paperWidthFrom = "";  // where the paper's width comes from, in words
};

struct DecodedStream {
  StreamSummary summary;
  Paper paper;
};

// An unknown command or a count announcing more bytes than follow, at a byte offset (HrCorruptData).
// Its own type because callers tell a malformed stream apart from any other failure: the fuzzers
// expect it of random bytes and take it for a fault in the filter's own output.
class StreamError : public HostError {
 public:
  StreamError(std::size_t offset, const std::string& what);
  std::size_t offset() const noexcept { return offset_; }

 private:
  std::size_t offset_;
};

// The head widths in dots of the printers that read these streams.
bool IsHeadWidth(std::size_t dots);

// Throws StreamError at the first byte that is no known command or whose count overruns the
// stream, and at a raster block whose row width is unknown. Raster rows are as wide as the last
// raster-mode prologue says, or headWidth dots when none came before them (0: not known). The paper
// is as wide as the raster-mode prologues say, else headWidth, else the widest printed column
// rounded up to a head width.
DecodedStream DecodeStream(const std::uint8_t* data, std::size_t size, std::size_t headWidth = 0);

// The summary as lines of "name: value", with how the paper's length is counted.
std::string FormatSummary(const DecodedStream& decoded);

}  // namespace brimloft::host

#endif
