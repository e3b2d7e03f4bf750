// The host's one exception type: a failure HRESULT, the step it happened in and words for people.
#ifndef BRIMLOFT_HOST_FAILURES_HOST_ERROR_H
#define BRIMLOFT_HOST_FAILURES_HOST_ERROR_H

#include "host/host_namespace.h"

#include <windows.h>

#include <cerrno>
#include <stdexcept>
#include <string>
#include <utility>

#ifndef ERROR_INVALID_DATA
#define ERROR_INVALID_DATA 13L
#endif
#ifndef ERROR_TOO_MANY_OPEN_FILES
#define ERROR_TOO_MANY_OPEN_FILES 4L
#endif

namespace brimloft::host {

// what() is the words alone; Said() is how every tool shows the failure.
class HostError : public std::runtime_error {
 public:
  HostError(HRESULT hr, const std::string& words, std::string step = {})
      : std::runtime_error(words), hr_(hr), step_(std::move(step)) {}
  HRESULT hr() const noexcept { return hr_; }
  // What was being done ("page 2", a file name); empty when the words say it.
  const std::string& step() const noexcept { return step_; }

 private:
  HRESULT hr_;
  std::string step_;
};

// The HRESULTs that package problems carry.
inline HRESULT HrBadPackage() { return HRESULT_FROM_WIN32(ERROR_BAD_FORMAT); }
inline HRESULT HrMissingPart() { return HRESULT_FROM_WIN32(ERROR_NOT_FOUND); }
inline HRESULT HrTooLarge() { return HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE); }
inline HRESULT HrCorruptData() { return HRESULT_FROM_WIN32(ERROR_INVALID_DATA); }

// The HRESULT of a file that cannot be opened or read, from errno.
HRESULT HrFromErrno(int error);

// A system call's failure in words with the system's reason ("words: No such file or directory"),
// its HRESULT from the error number as HrFromErrno gives it.
HostError SystemFailure(const std::string& words, int error = errno, std::string step = {});

// "E_UNEXPECTED (0x8000FFFF)": the form in which HRESULTs appear in messages, name and number.
std::string HexHr(HRESULT hr);

// "step: words (NAME (0x...))": the HRESULT is named at the end unless the words name it already.
std::string Said(const HostError& e);

}  // namespace brimloft::host

#endif
