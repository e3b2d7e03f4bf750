// Memory streams for tests: made from bytes, and read back whole.
#ifndef BRIMLOFT_TESTS_FAKES_MEMORY_STREAM_H
#define BRIMLOFT_TESTS_FAKES_MEMORY_STREAM_H

#include <windows.h>
#include <objbase.h>

#include "module/ComPtr.h"

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

namespace brimloft::fakes {

// A growable memory stream holding bytes, positioned at its start.
inline ComPtr<IStream> StreamOf(const std::string& bytes) {
  ComPtr<IStream> stream;
  if (FAILED(CreateStreamOnHGlobal(nullptr, TRUE, stream.put()))) throw std::runtime_error("no stream");
  ULONG written = 0;
  if (!bytes.empty() && FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written))) {
    throw std::runtime_error("stream write failed");
  }
  LARGE_INTEGER start;
  start.QuadPart = 0;
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
  return stream;
}

// Everything in the stream, from its start; the position is left at the end.
inline std::string ContentOf(IStream* stream) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  if (FAILED(stream->Seek(start, STREAM_SEEK_SET, nullptr))) throw std::runtime_error("seek failed");
  std::string bytes;
  char chunk[4096];
  for (;;) {
    ULONG read = 0;
    if (FAILED(stream->Read(chunk, sizeof chunk, &read))) throw std::runtime_error("read failed");
    if (read == 0) return bytes;
    bytes.append(chunk, read);
  }
}

inline std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot open " + path);
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

inline std::string TicketFixture(const std::string& name) {
  return ReadFileBytes(std::string(BRIMLOFT_TEST_DATA) + "/printticket/" + name);
}

}  // namespace brimloft::fakes

#endif
