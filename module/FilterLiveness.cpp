#include "module/FilterLiveness.h"

namespace brimloft {

HRESULT STDMETHODCALLTYPE FilterLiveness::Continue() {
  return IsAlive() ? S_OK : HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED);
}

}  // namespace brimloft
