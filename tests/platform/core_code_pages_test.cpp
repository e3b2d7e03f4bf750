// Code-page conversions (UTF-8 for every 8-bit code page here) and the temporary folder.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

constexpr DWORD kSentinelError = 0xDEADBEEF;
constexpr wchar_t kWideFill = L'#';
constexpr char kNarrowFill = '#';

struct ToWide {
  const char* text;
  int length;  // -1: up to and including the NUL
  DWORD flags;
  int result;
  DWORD error;  // when result is 0
  std::wstring wide;  // the characters written (with the NUL when counted)
};

TEST(MultiByteToWideChar, SizesConversionsAndFailures) {
  const ToWide cases[] = {
      {"abc", -1, 0, 4, 0, std::wstring(L"abc", 4)},
      {"abc", 3, 0, 3, 0, L"abc"},
      {"abc", 2, 0, 2, 0, L"ab"},
      {"", -1, 0, 1, 0, std::wstring(1, L'\0')},
      {"a\0b", 3, 0, 3, 0, std::wstring(L"a\0b", 3)},
      {"gr\xC3\xBC\xC3\x9F", -1, 0, 5, 0, std::wstring(L"gr\u00fc\u00df", 5)},
      {"\xE2\x82\xAC", 3, 0, 1, 0, L"\u20ac"},
      // Outside the basic plane: one wide character, as wchar_t holds a whole code point here.
      {"\xF0\x9F\x98\x80!", 5, 0, 2, 0, L"\U0001F600!"},
      // Invalid input: each bad byte becomes U+FFFD, unless invalid characters are an error.
      {"a\xFF" "b", 3, 0, 3, 0, L"a\ufffdb"},
      {"a\xFF" "b", 3, MB_ERR_INVALID_CHARS, 0, ERROR_NO_UNICODE_TRANSLATION, L""},
      {"\xC3", 1, 0, 1, 0, L"\ufffd"},
      {"\xC3", 1, MB_ERR_INVALID_CHARS, 0, ERROR_NO_UNICODE_TRANSLATION, L""},
      {"\xC0\xAF", 2, 0, 2, 0, L"\ufffd\ufffd"},  // overlong
      {"\xED\xA0\x80", 3, MB_ERR_INVALID_CHARS, 0, ERROR_NO_UNICODE_TRANSLATION, L""},  // surrogate
      {"\xF4\x90\x80\x80", 4, MB_ERR_INVALID_CHARS, 0, ERROR_NO_UNICODE_TRANSLATION, L""},  // > U+10FFFF
      {"abc", 0, 0, 0, ERROR_INVALID_PARAMETER, L""},
  };
  for (const ToWide& c : cases) {
    SCOPED_TRACE(std::string("text \"") + c.text + "\" length " + std::to_string(c.length));
    // Size query.
    SetLastError(kSentinelError);
    EXPECT_EQ(c.result, MultiByteToWideChar(CP_UTF8, c.flags, c.text, c.length, nullptr, 0));
    if (c.result == 0) {
      EXPECT_EQ(c.error, GetLastError());
    }
    // Conversion into a buffer of exactly that size.
    wchar_t buffer[16];
    std::wmemset(buffer, kWideFill, 16);
    SetLastError(kSentinelError);
    const int written = MultiByteToWideChar(CP_UTF8, c.flags, c.text, c.length, buffer, c.result ? c.result : 16);
    EXPECT_EQ(c.result, written);
    if (c.result == 0) {
      EXPECT_EQ(c.error, GetLastError());
      continue;
    }
    EXPECT_EQ(c.wide, std::wstring(buffer, written));
    EXPECT_EQ(kWideFill, buffer[written]);  // nothing written past the result
  }
}

TEST(MultiByteToWideChar, TooSmallABufferIsInsufficientBuffer) {
  wchar_t buffer[4];
  for (int size : {1, 2, 3}) {
    SetLastError(kSentinelError);
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, buffer, size)) << size;
    EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError()) << size;
  }
  EXPECT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, "abc", 3, buffer, 3));
}

TEST(MultiByteToWideChar, TheAnsiCodePageIsUtf8AndOthersAreRefused) {
  wchar_t buffer[4];
  EXPECT_EQ(2, MultiByteToWideChar(CP_ACP, 0, "\xC3\xA9", -1, buffer, 4));
  EXPECT_EQ(L'\u00e9', buffer[0]);
  SetLastError(kSentinelError);
  EXPECT_EQ(0, MultiByteToWideChar(1252, 0, "abc", -1, buffer, 4));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  SetLastError(kSentinelError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, nullptr, -1, buffer, 4));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  SetLastError(kSentinelError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "abc", -1, buffer, -1));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(MultiByteToWideChar, FlagsOtherThanInvalidCharsAreInvalidFlagsForUtf8) {
  wchar_t buffer[4];
  SetLastError(kSentinelError);
  EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0x1 /* MB_PRECOMPOSED */, "abc", -1, buffer, 4));
  EXPECT_EQ(DWORD(ERROR_INVALID_FLAGS), GetLastError());
}

struct ToNarrow {
  std::wstring wide;
  int length;
  DWORD flags;
  int result;
  DWORD error;
  std::string narrow;
};

TEST(WideCharToMultiByte, SizesConversionsAndFailures) {
  const ToNarrow cases[] = {
      {L"abc", -1, 0, 4, 0, std::string("abc", 4)},
      {L"abc", 3, 0, 3, 0, "abc"},
      {L"abc", 1, 0, 1, 0, "a"},
      {std::wstring(1, L'\0'), -1, 0, 1, 0, std::string(1, '\0')},
      {std::wstring(L"a\0b", 3), 3, 0, 3, 0, std::string("a\0b", 3)},
      {L"\u00e9", -1, 0, 3, 0, std::string("\xC3\xA9", 3)},
      {L"\u20ac", 1, 0, 3, 0, "\xE2\x82\xAC"},
      {L"\U0001F600", 1, 0, 4, 0, "\xF0\x9F\x98\x80"},
      // A lone surrogate or a value past U+10FFFF has no UTF-8 form.
      {std::wstring(1, wchar_t(0xD800)), 1, 0, 3, 0, "\xEF\xBF\xBD"},
      {std::wstring(1, wchar_t(0xD800)), 1, WC_ERR_INVALID_CHARS, 0, ERROR_NO_UNICODE_TRANSLATION, ""},
      {std::wstring(1, wchar_t(0x110000)), 1, WC_ERR_INVALID_CHARS, 0, ERROR_NO_UNICODE_TRANSLATION, ""},
      {L"abc", 0, 0, 0, ERROR_INVALID_PARAMETER, ""},
  };
  for (const ToNarrow& c : cases) {
    SCOPED_TRACE("case with result " + std::to_string(c.result) + " narrow \"" + c.narrow + "\"");
    const wchar_t* text = c.wide.c_str();
    SetLastError(kSentinelError);
    EXPECT_EQ(c.result, WideCharToMultiByte(CP_UTF8, c.flags, text, c.length, nullptr, 0, nullptr, nullptr));
    if (c.result == 0) {
      EXPECT_EQ(c.error, GetLastError());
    }
    char buffer[16];
    std::memset(buffer, kNarrowFill, 16);
    SetLastError(kSentinelError);
    const int written =
        WideCharToMultiByte(CP_UTF8, c.flags, text, c.length, buffer, c.result ? c.result : 16, nullptr, nullptr);
    EXPECT_EQ(c.result, written);
    if (c.result == 0) {
      EXPECT_EQ(c.error, GetLastError());
      continue;
    }
    EXPECT_EQ(c.narrow, std::string(buffer, written));
    EXPECT_EQ(kNarrowFill, buffer[written]);
  }
}

TEST(WideCharToMultiByte, TooSmallABufferAndUtf8sForbiddenArguments) {
  char buffer[8];
  SetLastError(kSentinelError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"\u20ac", -1, buffer, 3, nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());
  SetLastError(kSentinelError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"\u20ac", 1, buffer, 2, nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INSUFFICIENT_BUFFER), GetLastError());

  // UTF-8 has no default character.
  BOOL usedDefault = 7;
  SetLastError(kSentinelError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"a", -1, buffer, 8, "?", nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  SetLastError(kSentinelError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, L"a", -1, buffer, 8, nullptr, &usedDefault));
  EXPECT_EQ(DWORD(ERROR_INVALID_PARAMETER), GetLastError());
  EXPECT_EQ(7, usedDefault);

  SetLastError(kSentinelError);
  EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0x400 /* WC_NO_BEST_FIT_CHARS */, L"a", -1, buffer, 8, nullptr, nullptr));
  EXPECT_EQ(DWORD(ERROR_INVALID_FLAGS), GetLastError());
}

TEST(CodePages, RoundTripOfEveryPlaneKeepsTheText) {
  const std::wstring text = L"A\u00ff\u0100\u07ff\u0800\uffef\U00010000\U0010FFFF z";
  const int bytes = WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  ASSERT_GT(bytes, 0);
  std::string narrow(bytes, '\0');
  ASSERT_EQ(bytes, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, text.c_str(), -1, &narrow[0], bytes, nullptr,
                                       nullptr));
  const int chars = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, narrow.c_str(), -1, nullptr, 0);
  ASSERT_EQ(static_cast<int>(text.size()) + 1, chars);
  std::wstring back(chars, L'\0');
  ASSERT_EQ(chars, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, narrow.c_str(), -1, &back[0], chars));
  back.pop_back();
  EXPECT_EQ(text, back);
}

// Sets TMPDIR for the scope and restores it afterwards.
class ScopedTmpdir {
 public:
  explicit ScopedTmpdir(const char* value) {
    const char* old = std::getenv("TMPDIR");
    hadOld_ = old != nullptr;
    if (hadOld_) old_ = old;
    if (value)
      setenv("TMPDIR", value, 1);
    else
      unsetenv("TMPDIR");
  }
  ~ScopedTmpdir() {
    if (hadOld_)
      setenv("TMPDIR", old_.c_str(), 1);
    else
      unsetenv("TMPDIR");
  }

 private:
  bool hadOld_ = false;
  std::string old_;
};

TEST(GetTempPathW, FollowsTmpdirWithOneTrailingSeparator) {
  struct Case {
    const char* tmpdir;  // null: unset
    const wchar_t* path;
  } const cases[] = {
      {"/var/spool/jobs", L"/var/spool/jobs/"},
      {"/var/spool/jobs/", L"/var/spool/jobs/"},
      {"/srv/dr\xC3\xBC" "cker/\xE2\x82\xAC", L"/srv/dr\u00fccker/\u20ac/"},
      {nullptr, L"/tmp/"},
      {"", L"/tmp/"},
      {"relative/dir", L"/tmp/"},
  };
  for (const Case& c : cases) {
    ScopedTmpdir tmpdir(c.tmpdir);
    wchar_t buffer[MAX_PATH];
    std::wmemset(buffer, kWideFill, MAX_PATH);
    const DWORD length = GetTempPathW(MAX_PATH, buffer);
    EXPECT_EQ(std::wcslen(c.path), length) << (c.tmpdir ? c.tmpdir : "(unset)");
    EXPECT_EQ(std::wstring(c.path), std::wstring(buffer)) << (c.tmpdir ? c.tmpdir : "(unset)");
  }
}

TEST(GetTempPathW, ATooSmallBufferGetsTheSizeNeededAndIsLeftAlone) {
  ScopedTmpdir tmpdir("/data/tmp");  // "/data/tmp/": 10 characters, 11 with the terminator
  wchar_t buffer[16];
  for (DWORD size : {0u, 1u, 10u}) {
    std::wmemset(buffer, kWideFill, 16);
    EXPECT_EQ(11u, GetTempPathW(size, buffer)) << size;
    EXPECT_EQ(kWideFill, buffer[0]) << size;
  }
  EXPECT_EQ(11u, GetTempPathW(0, nullptr));
  std::wmemset(buffer, kWideFill, 16);
  EXPECT_EQ(10u, GetTempPathW(11, buffer));  // exactly enough
  EXPECT_EQ(std::wstring(L"/data/tmp/"), std::wstring(buffer));
}

}  // namespace
