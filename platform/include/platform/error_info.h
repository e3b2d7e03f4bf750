// Error information in words for the caller of a failing method of the platform's objects.
#ifndef BRIMLOFT_PLATFORM_ERROR_INFO_H
#define BRIMLOFT_PLATFORM_ERROR_INFO_H

#include <oleauto.h>

#include <string>

namespace platform {

// Makes source and description (UTF-8) the calling thread's error information (SetErrorInfo);
// an empty description clears it. Out of memory leaves none.
void SetErrorDescription(const wchar_t* source, const std::string& description) noexcept;

}  // namespace platform

#endif
