// The host's one exception type: a failure HRESULT with a message for people.
#ifndef BRIMLOFT_HOST_FAILURES_HOST_ERROR_H
#define BRIMLOFT_HOST_FAILURES_HOST_ERROR_H

#include "host/host_namespace.h"

#include <windows.h>

#include <stdexcept>
#include <string>

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif
#ifndef ERROR_TOO_MANY_OPEN_FILES
#define ERROR_TOO_MANY_OPEN_FILES 4L
#endif

namespace brimloft::host {

class HostError : public std::runtime_error {
 public:
  HostError(HRESULT hr, const std::string& what) : std::runtime_error(what), hr_(hr) {}
  HRESULT hr() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

// The HRESULTs that package problems carry.
inline HRESULT HrBadPackage() { return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT); }
inline HRESULT HrMissingPart() { return HRESULT_FROM_WIN32(ERROR_NOT_FOUND); }
inline HRESULT HrTooLarge() { return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE); }
inline HRESULT HrCorruptData() { return HRESULT_FROM_WIN32(ERROR_INVALID_DATA); }

// "E_UNEXPECTED (0x8000FFFF)": the form in which HRESULTs appear in messages, name and number.
std::string HexHr(HRESULT hr);

}  // namespace brimloft::host

#endif
