#include "host/failures/host_error.h"

#include <cstdio>

#include "host/failures/hresult_names.h"

namespace brimloft::host {

std::string HexHr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  const std::string name = HrName(hr);
  return name.empty() ? std::string(text) + " (an HRESULT without a name here)" : name + " (" + text + ")";
}

}  // namespace brimloft::host
