#include "xps/xps_text.h"

#include <new>

namespace platform::xps {

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (c >> 18));
      out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::wstring FromUtf8(const std::string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto b = static_cast<unsigned char>(text[i]);
    int extra = b < 0x80 ? 0 : (b & 0xE0) == 0xC0 ? 1 : (b & 0xF0) == 0xE0 ? 2 : (b & 0xF8) == 0xF0 ? 3 : -1;
    if (extra < 0 || i + extra >= text.size()) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    std::uint32_t c = extra == 0 ? b : b & (0x3F >> extra);
    bool ok = true;
    for (int k = 1; k <= extra; ++k) {
      const auto t = static_cast<unsigned char>(text[i + k]);
      if ((t & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (t & 0x3F);
    }
    if (!ok) {
      out += L'\xFFFD';
      ++i;
      continue;
    }
    out += static_cast<wchar_t>(c);
    i += extra + 1;
  }
  return out;
}

HRESULT CopyToBstr(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out ? S_OK : E_OUTOFMEMORY;
}

HRESULT ReadToEnd(IStream* stream, std::string& bytes) {
  if (stream == nullptr) return E_POINTER;
  try {
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
