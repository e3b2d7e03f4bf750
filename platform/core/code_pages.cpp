// Code-page conversion between UTF-8 (every 8-bit code page here, the ANSI one included) and wide
// strings (UTF-32 wchar_t here), and the temporary folder.
#include <windows.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsSupportedCodePage(UINT cp) { return cp == CP_UTF8 || cp == CP_ACP || cp == CP_THREAD_ACP || cp == CP_OEMCP; }

// Decodes one UTF-8 sequence at s[i..n); returns false for an invalid or truncated one, which
// then counts as one byte.
bool DecodeUtf8(const unsigned char* s, int n, int& i, char32_t& out) {
  const unsigned char c = s[i];
  int length;
  char32_t value;
  char32_t minimum;
  if (c < 0x80) {
    out = c;
    ++i;
    return true;
  } else if ((c & 0xE0) == 0xC0) {
    length = 2, value = c & 0x1F, minimum = 0x80;
  } else if ((c & 0xF0) == 0xE0) {
    length = 3, value = c & 0x0F, minimum = 0x800;
  } else if ((c & 0xF8) == 0xF0) {
    length = 4, value = c & 0x07, minimum = 0x10000;
  } else {
    ++i;
    return false;
  }
  if (i + length > n) {
    ++i;
    return false;
  }
  for (int k = 1; k < length; ++k) {
    if ((s[i + k] & 0xC0) != 0x80) {
      ++i;
      return false;
    }
    value = (value << 6) | (s[i + k] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    ++i;
    return false;
  }
  out = value;
  i += length;
  return true;
}

int EncodeUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

}  // namespace

extern "C" int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                                          LPWSTR lpWideCharStr, int cchWideChar) {
  if (!IsSupportedCodePage(CodePage) || lpMultiByteStr == nullptr || cbMultiByte == 0 || cchWideChar < 0 ||
      (lpWideCharStr != nullptr && static_cast<const void*>(lpWideCharStr) == static_cast<const void*>(lpMultiByteStr))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // UTF-8 takes no flag but MB_ERR_INVALID_CHARS.
  if ((dwFlags & ~DWORD(MB_ERR_INVALID_CHARS)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const int n = cbMultiByte < 0 ? static_cast<int>(std::strlen(lpMultiByteStr)) + 1 : cbMultiByte;
  const auto* s = reinterpret_cast<const unsigned char*>(lpMultiByteStr);
  int produced = 0;
  for (int i = 0; i < n;) {
    char32_t c;
    if (!DecodeUtf8(s, n, i, c)) {
      if (dwFlags & MB_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      c = kReplacement;
    }
    if (cchWideChar != 0) {
      if (produced >= cchWideChar) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      lpWideCharStr[produced] = static_cast<wchar_t>(c);
    }
    ++produced;
  }
  return produced;
}

extern "C" int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                                          LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                                          LPBOOL lpUsedDefaultChar) {
  // UTF-8 has no default character.
  if (!IsSupportedCodePage(CodePage) || lpWideCharStr == nullptr || cchWideChar == 0 || cbMultiByte < 0 ||
      lpDefaultChar != nullptr || lpUsedDefaultChar != nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  // UTF-8 takes no flag but WC_ERR_INVALID_CHARS.
  if ((dwFlags & ~DWORD(WC_ERR_INVALID_CHARS)) != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return 0;
  }
  const int n = cchWideChar < 0 ? static_cast<int>(std::wcslen(lpWideCharStr)) + 1 : cchWideChar;
  int produced = 0;
  char buffer[4];
  for (int i = 0; i < n; ++i) {
    char32_t c = static_cast<char32_t>(lpWideCharStr[i]);
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
      if (dwFlags & WC_ERR_INVALID_CHARS) {
        SetLastError(ERROR_NO_UNICODE_TRANSLATION);
        return 0;
      }
      c = kReplacement;
    }
    const int length = EncodeUtf8(c, buffer);
    if (cbMultiByte != 0) {
      if (produced + length > cbMultiByte) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::memcpy(lpMultiByteStr + produced, buffer, length);
    }
    produced += length;
  }
  return produced;
}

// The folder named by TMPDIR, else /tmp/, always with a trailing separator. Returns the length
// without the terminating zero, or, when the buffer is too small, the size needed including it.
extern "C" DWORD WINAPI GetTempPathW(DWORD nBufferLength, LPWSTR lpBuffer) {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && env[0] == '/') ? env : "/tmp/";
  if (dir.back() != '/') dir.push_back('/');
  const int chars = MultiByteToWideChar(CP_UTF8, 0, dir.c_str(), -1, nullptr, 0);
  if (chars <= 0) return 0;
  if (lpBuffer == nullptr || nBufferLength < static_cast<DWORD>(chars)) return static_cast<DWORD>(chars);
  MultiByteToWideChar(CP_UTF8, 0, dir.c_str(), -1, lpBuffer, chars);
  return static_cast<DWORD>(chars - 1);
}
