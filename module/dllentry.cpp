// The module's exports and entry point.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "module/ClassFactory.h"
#include "module/ModuleCount.h"
#include "module/trace.h"

using namespace brimloft;

namespace {

template <int Row>
IClassFactory* NewFactory() noexcept {
  return new (std::nothrow) BrimloftFilterFactory<Row>;
}

using FactoryMaker = IClassFactory* (*)() noexcept;
constexpr FactoryMaker kFactoryMakers[kVariantCount] = {NewFactory<0>, NewFactory<1>, NewFactory<2>,
                                                        NewFactory<3>, NewFactory<4>, NewFactory<5>};

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      DisableThreadLibraryCalls(static_cast<HMODULE>(instance));
      trace::Start("KelmoranBrimloftFilter");
      BRIMLOFT_TRACE(TRACE_FLOW, dllentry, 22);
      break;
    case DLL_PROCESS_DETACH:
      BRIMLOFT_TRACE(TRACE_FLOW, dllentry, 23);
      trace::Stop();
      break;
    default:
      break;
  }
  return TRUE;
}

// A new factory per call; E_POINTER, CLASS_E_CLASSNOTAVAILABLE, E_OUTOFMEMORY or the factory's
// QueryInterface failure, with *ppv null on every failure after the pointer check.
STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
  if (ppv == nullptr) {
    trace_failure(E_POINTER, "dllentry", __LINE__);
    return E_POINTER;
  }
  *ppv = nullptr;
  for (int row = 0; row < kVariantCount; ++row) {
    if (rclsid != *kVariants[row].clsid) continue;
    BRIMLOFT_TRACE(TRACE_FLOW, dllentry, kVariants[row].classObjectTrace);
    IClassFactory* factory = kFactoryMakers[row]();
    if (factory == nullptr) {
      trace_failure(E_OUTOFMEMORY, "dllentry", __LINE__);
      return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    if (FAILED(hr)) trace_failure(hr, "dllentry", __LINE__);
    factory->Release();
    return hr;
  }
  trace_failure(CLASS_E_CLASSNOTAVAILABLE, "dllentry", __LINE__);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void) { return ModuleCount() == 0 ? S_OK : S_FALSE; }
