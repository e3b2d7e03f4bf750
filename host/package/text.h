// Text conversions between the package's UTF-8 and the interfaces' wide strings.
#ifndef BRIMLOFT_HOST_PACKAGE_TEXT_H
#define BRIMLOFT_HOST_PACKAGE_TEXT_H

#include "host/host_namespace.h"

#include <windows.h>

#include <string>

namespace brimloft::host {

// Invalid UTF-8 sequences become U+FFFD; fails only as memory does (std::bad_alloc).
std::wstring Widen(const std::string& utf8);
// Wide characters outside Unicode, and lone surrogates, become U+FFFD; fails only as memory does.
std::string Narrow(const std::wstring& wide);

// ASCII letters folded to lower case; other bytes unchanged.
std::string AsciiLower(std::string s);

// A new BSTR holding text; throws std::bad_alloc when none can be allocated.
BSTR MakeBstr(const std::string& utf8);

}  // namespace brimloft::host

#endif
