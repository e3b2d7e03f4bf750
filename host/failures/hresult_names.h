// The symbolic names of the HRESULTs the system raises, for messages: no failure ends with a bare
// number.
#ifndef BRIMLOFT_HOST_FAILURES_HRESULT_NAMES_H
#define BRIMLOFT_HOST_FAILURES_HRESULT_NAMES_H

#include "host/host_namespace.h"

#include <windows.h>

#include <string>

namespace brimloft::host {

// "E_UNEXPECTED", "XPS_E_INVALID_MARKUP", "HRESULT_FROM_WIN32(ERROR_DISK_FULL)"; a Win32 code
// without a name in the table gives "HRESULT_FROM_WIN32(1234)"; any other unknown value "".
std::string HrName(HRESULT hr);

}  // namespace brimloft::host

#endif
