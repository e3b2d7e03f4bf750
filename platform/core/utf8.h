// Conversions between the platform's wide strings (UTF-32 wchar_t) and UTF-8, for the
// substitutes whose libraries speak UTF-8.
#ifndef BRIMLOFT_PLATFORM_CORE_UTF8_H
#define BRIMLOFT_PLATFORM_CORE_UTF8_H

#include <string>
#include <string_view>

namespace platform::text {

// Characters that UTF-8 cannot carry (surrogates, values past U+10FFFF) become U+FFFD.
std::string ToUtf8(std::wstring_view wide);
// Malformed sequences become U+FFFD, one per offending byte.
std::wstring FromUtf8(std::string_view utf8);

// Text made safe inside a double-quoted XML attribute: & < > " become entity references.
std::string XmlEscaped(std::string_view text);

}  // namespace platform::text

#endif
