#include "host/failures/host_error.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "host/failures/hresult_names.h"

namespace brimloft::host {
namespace {

std::string HexNumber(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace

HRESULT HrFromErrno(int error) {
  switch (error) {
    case ENOENT: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ENOTDIR: return HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
    case EACCES:
    case EPERM: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ENOSPC: return HRESULT_FROM_WIN32(ERROR_DISK_FULL);
    case ENOMEM: return E_OUTOFMEMORY;
    case EMFILE: return HRESULT_FROM_WIN32(ERROR_TOO_MANY_OPEN_FILES);
    default: return E_FAIL;
  }
}

HostError SystemFailure(const std::string& words, int error, std::string step) {
  return HostError(HrFromErrno(error), words + ": " + std::strerror(error), std::move(step));
}

std::string HexHr(HRESULT hr) {
  const std::string name = HrName(hr);
  return name.empty() ? HexNumber(hr) + " (an HRESULT without a name here)" : name + " (" + HexNumber(hr) + ")";
}

std::string Said(const HostError& e) {
  std::string text = e.step().empty() ? e.what() : e.step() + ": " + e.what();
  // Some words name the HRESULT where it belongs in the sentence ("StartOperation returned ..."):
  // it is said once.
  if (text.find(HexNumber(e.hr())) == std::string::npos) text += " (" + HexHr(e.hr()) + ")";
  return text;
}

}  // namespace brimloft::host
