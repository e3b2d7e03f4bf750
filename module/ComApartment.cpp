#include "module/ComApartment.h"

#include <windows.h>
#include <objbase.h>

#include "module/filtertypes.h"

namespace brimloft {
namespace {
constexpr auto kUnit = TraceUnit::filtertypes;
}  // namespace

ComApartment::ComApartment() {
  const HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (hr == RPC_E_CHANGED_MODE) return;  // the thread is in another apartment already: fine
  BRIMLOFT_CHECK(hr);
  joined_ = true;
}

ComApartment::~ComApartment() {
  if (joined_) CoUninitialize();
}

}  // namespace brimloft
