#include "support/host_error.h"

#include <cstdio>

namespace brimloft::host {

std::string HexHr(HRESULT hr) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace brimloft::host
