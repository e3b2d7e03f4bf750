#include "xps/xps_text.h"

#include <new>

namespace platform::xps {

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
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
