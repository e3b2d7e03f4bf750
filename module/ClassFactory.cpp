#include "module/ClassFactory.h"

#include <string>

#include "filter/BrimloftFilter.h"
#include "module/ComPtr.h"
#include "module/ModuleCount.h"
#include "module/trace.h"

namespace brimloft {
namespace {
constexpr auto kUnit = TraceUnit::dllentry;
}  // namespace

template <int Row>
BrimloftFilterFactory<Row>::BrimloftFilterFactory() noexcept {
  IncrementModuleCount();
}

template <int Row>
BrimloftFilterFactory<Row>::~BrimloftFilterFactory() {
  DecrementModuleCount();
}

template <int Row>
HRESULT STDMETHODCALLTYPE BrimloftFilterFactory<Row>::CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                                     void** ppvObject) {
  // The out pointer is cleared before anything is refused, so no caller reads a stale value.
  if (ppvObject != nullptr) *ppvObject = nullptr;
  if (pUnkOuter != nullptr) {
    BRIMLOFT_TRACE_FAILURE(CLASS_E_NOAGGREGATION);
    return CLASS_E_NOAGGREGATION;
  }
  if (ppvObject == nullptr) {
    BRIMLOFT_TRACE_FAILURE(E_POINTER);
    return E_POINTER;
  }

  ComPtr<BrimloftFilter> filter;
  const HRESULT created = translate_exceptions([&] {
    BRIMLOFT_TRACE(*kVariants[Row].filterCreatedTrace);
    filter = ComPtr<BrimloftFilter>::Attach(new BrimloftFilter);
    filter->SetPrinterName(std::string(kVariants[Row].code));
  });
  if (FAILED(created)) return created;

  const HRESULT hr = filter->QueryInterface(riid, ppvObject);
  if (FAILED(hr)) BRIMLOFT_TRACE_FAILURE(hr);
  return hr;  // the construction reference goes with `filter`
}

template <int Row>
HRESULT STDMETHODCALLTYPE BrimloftFilterFactory<Row>::LockServer(BOOL fLock) {
  if (fLock) {
    if (InterlockedIncrement(&lockCount_) == 1) IncrementModuleCount();
  } else {
    if (InterlockedDecrement(&lockCount_) == 0) DecrementModuleCount();
  }
  return S_OK;
}

template class BrimloftFilterFactory<0>;
template class BrimloftFilterFactory<1>;
template class BrimloftFilterFactory<2>;
template class BrimloftFilterFactory<3>;
template class BrimloftFilterFactory<4>;
template class BrimloftFilterFactory<5>;

}  // namespace brimloft
