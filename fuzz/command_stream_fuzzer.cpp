// The command-stream decoder on arbitrary bytes: it either decodes the whole stream or throws
// StreamError at an offset inside it; nothing else. What it keeps of the paper follows the stream's
// content, however far the stream feeds the paper.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "host/decoder/stream_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  try {
    const brimloft::host::DecodedStream decoded = brimloft::host::DecodeStream(data, size);
    const auto& s = decoded.summary;
    if (s.totalBytes != size || s.imageBytes + s.commandBytes != size) std::abort();
    // At most a run of 24 rows and its bookkeeping for an 8-byte band image, or a cut for 2 bytes.
    if (decoded.paper.StoredBytes() > 32 * size + 4096) std::abort();
  } catch (const brimloft::host::StreamError& e) {
    if (e.offset() >= size) std::abort();
  }
  return 0;
}
