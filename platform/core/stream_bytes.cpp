#include "core/stream_bytes.h"

#include <new>

namespace platform {
namespace {

// Makes room in bytes for what is left of the stream, leaving the stream where it was. A stream that
// cannot seek, or claims more than any part holds, is read as it comes.
HRESULT ReserveRest(IStream* stream, std::string& bytes) {
  LARGE_INTEGER zero{};
  ULARGE_INTEGER at{}, end{};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &at)) || FAILED(stream->Seek(zero, STREAM_SEEK_END, &end)))
    return S_OK;
  LARGE_INTEGER back{};
  back.QuadPart = static_cast<LONGLONG>(at.QuadPart);
  const HRESULT hr = stream->Seek(back, STREAM_SEEK_SET, nullptr);
  constexpr ULONGLONG kMost = 1ull << 30;
  if (SUCCEEDED(hr) && end.QuadPart > at.QuadPart && end.QuadPart - at.QuadPart <= kMost)
    bytes.reserve(bytes.size() + static_cast<size_t>(end.QuadPart - at.QuadPart));
  return hr;
}

}  // namespace

HRESULT ReadToEnd(ISequentialStream* stream, std::string& bytes, std::size_t limit) {
  if (stream == nullptr) return E_POINTER;
  try {
    char chunk[65536];
    for (;;) {
      ULONG got = 0;
      const HRESULT hr = stream->Read(chunk, sizeof chunk, &got);
      if (FAILED(hr)) return hr;
      if (got > sizeof chunk) return E_UNEXPECTED;
      bytes.append(chunk, got);
      if (got == 0 || hr == S_FALSE || bytes.size() > limit) return S_OK;
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ReadToEnd(IStream* stream, std::string& bytes, std::size_t limit) {
  if (stream == nullptr) return E_POINTER;
  try {
    const HRESULT reserved = ReserveRest(stream, bytes);
    if (FAILED(reserved)) return reserved;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  return ReadToEnd(static_cast<ISequentialStream*>(stream), bytes, limit);
}

}  // namespace platform
