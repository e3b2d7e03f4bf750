#include "xps/xps_text.h"

#include <new>

namespace platform::xps {
namespace {

// Makes room in bytes for what is left of a stream that can tell, so that a part of megabytes goes
// into one block instead of ever larger copies. Leaves the stream where it was.
HRESULT ReserveRest(IStream* stream, std::string& bytes) {
  LARGE_INTEGER zero{};
  ULARGE_INTEGER at{}, end{};
  if (FAILED(stream->Seek(zero, STREAM_SEEK_CUR, &at)) || FAILED(stream->Seek(zero, STREAM_SEEK_END, &end)))
    return S_OK;  // a stream that cannot seek is read as it comes
  LARGE_INTEGER back{};
  back.QuadPart = static_cast<LONGLONG>(at.QuadPart);
  const HRESULT hr = stream->Seek(back, STREAM_SEEK_SET, nullptr);
  // A size beyond any part's is not taken at its word: such a stream is read as it comes.
  constexpr ULONGLONG kMost = 1ull << 30;
  if (SUCCEEDED(hr) && end.QuadPart > at.QuadPart && end.QuadPart - at.QuadPart <= kMost)
    bytes.reserve(bytes.size() + static_cast<size_t>(end.QuadPart - at.QuadPart));
  return hr;
}

}  // namespace

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReadToEnd(IStream* stream, std::string& bytes) {
  if (stream == nullptr) return E_POINTER;
  try {
    const HRESULT reserved = ReserveRest(stream, bytes);
    if (FAILED(reserved)) return reserved;
    char chunk[65536];
    for (;;) {
      ULONG got = 0;
      const HRESULT hr = stream->Read(chunk, sizeof chunk, &got);
      if (FAILED(hr)) return hr;
      bytes.append(chunk, got);
      if (got == 0 || hr == S_FALSE) return S_OK;
    }
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

HRESULT ReadWhole(IStream* stream, std::string& bytes) {
  if (stream == nullptr) return E_POINTER;
  LARGE_INTEGER zero{};
  ULARGE_INTEGER was{};
  HRESULT hr = stream->Seek(zero, STREAM_SEEK_CUR, &was);
  if (FAILED(hr)) return hr;
  hr = stream->Seek(zero, STREAM_SEEK_SET, nullptr);
  if (FAILED(hr)) return hr;
  hr = ReadToEnd(stream, bytes);
  LARGE_INTEGER back{};
  back.QuadPart = static_cast<LONGLONG>(was.QuadPart);
  const HRESULT restored = stream->Seek(back, STREAM_SEEK_SET, nullptr);
  return FAILED(hr) ? hr : restored;
}

}  // namespace platform::xps
