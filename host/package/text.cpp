#include "host/package/text.h"

#include <new>

namespace brimloft::host {

std::wstring Widen(const std::string& utf8) {
  std::wstring out;
  out.reserve(utf8.size());
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  while (p < end) {
    unsigned c = *p++;
    int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
    if (extra < 0) {
      out.push_back(0xFFFD);
      continue;
    }
    c &= extra == 0 ? 0x7F : (0x3F >> extra);
    bool ok = end - p >= extra;
    for (int i = 0; ok && i < extra; ++i) {
      if ((p[i] & 0xC0) != 0x80) ok = false;
      c = (c << 6) | (p[i] & 0x3F);
    }
    if (!ok) {
      out.push_back(0xFFFD);
      continue;
    }
    p += extra;
    out.push_back(c > 0x10FFFF ? wchar_t(0xFFFD) : wchar_t(c));
  }
  return out;
}

std::string Narrow(const std::wstring& wide) {
  std::string out;
  out.reserve(wide.size());
  for (wchar_t wc : wide) {
    auto c = static_cast<unsigned long>(wc);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) c = 0xFFFD;
    if (c < 0x80) {
      out.push_back(char(c));
    } else if (c < 0x800) {
      out.push_back(char(0xC0 | (c >> 6)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
      out.push_back(char(0xE0 | (c >> 12)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    } else {
      out.push_back(char(0xF0 | (c >> 18)));
      out.push_back(char(0x80 | ((c >> 12) & 0x3F)));
      out.push_back(char(0x80 | ((c >> 6) & 0x3F)));
      out.push_back(char(0x80 | (c & 0x3F)));
    }
  }
  return out;
}

std::string AsciiLower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return s;
}

BSTR MakeBstr(const std::string& utf8) {
  const std::wstring wide = Widen(utf8);
  BSTR b = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (b == nullptr) throw std::bad_alloc();
  return b;
}

}  // namespace brimloft::host
