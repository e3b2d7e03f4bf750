// The module's exports and entry point.
#include <windows.h>
#include <objbase.h>

#include <new>

#include "module/ClassFactory.h"
#include "module/ModuleCount.h"
#include "module/trace.h"

using namespace brimloft;

namespace {

constexpr auto kUnit = TraceUnit::dllentry;

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
      BRIMLOFT_TRACE(trace::ModuleAttached);
      break;
    case DLL_PROCESS_DETACH:
      BRIMLOFT_TRACE(trace::ModuleDetaching);
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
    BRIMLOFT_TRACE_FAILURE(E_POINTER);
    return E_POINTER;
  }
  *ppv = nullptr;
  for (int row = 0; row < kVariantCount; ++row) {
    if (rclsid != *kVariants[row].clsid) continue;
    BRIMLOFT_TRACE(*kVariants[row].classObjectTrace);
    IClassFactory* factory = kFactoryMakers[row]();
    if (factory == nullptr) {
      BRIMLOFT_TRACE_FAILURE(E_OUTOFMEMORY);
      return E_OUTOFMEMORY;
    }
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    if (FAILED(hr)) BRIMLOFT_TRACE_FAILURE(hr);
    factory->Release();
    return hr;
  }
  BRIMLOFT_TRACE_FAILURE(CLASS_E_CLASSNOTAVAILABLE);
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow(void) { return ModuleCount() == 0 ? S_OK : S_FALSE; }
