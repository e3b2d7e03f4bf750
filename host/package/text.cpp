#include "host/package/text.h"

#include <climits>
#include <new>

namespace brimloft::host {

// Through the system's own conversions; text of 2 GiB or more would need more memory than a
// job may take, and is refused as memory is.
std::wstring Widen(const std::string& utf8) {
  if (utf8.empty()) return {};
  if (utf8.size() > INT_MAX) throw std::bad_alloc();
  const int size = static_cast<int>(utf8.size());
  std::wstring out(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0)), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, out.data(), static_cast<int>(out.size()));
  return out;
}

std::string Narrow(const std::wstring& wide) {
  if (wide.empty()) return {};
  if (wide.size() > INT_MAX / 4) throw std::bad_alloc();
  const int size = static_cast<int>(wide.size());
  std::string out(static_cast<size_t>(WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr)),
                  '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, out.data(), static_cast<int>(out.size()), nullptr, nullptr);
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
