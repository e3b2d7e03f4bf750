// Failures inside the imaging component travel as exceptions and become HRESULTs at each method.
#ifndef BRIMLOFT_PLATFORM_WIC_WIC_ERROR_H
#define BRIMLOFT_PLATFORM_WIC_WIC_ERROR_H

#include <wincodec.h>

#include <exception>
#include <new>

namespace platform::wic {

struct WicFailure {
  HRESULT hr;
};

[[noreturn]] inline void Fail(HRESULT hr) { throw WicFailure{hr}; }

inline void Check(HRESULT hr) {
  if (FAILED(hr)) Fail(hr);
}

// Runs body and translates what escapes it: WicFailure to its HRESULT, bad_alloc to E_OUTOFMEMORY,
// anything else to E_FAIL. Returns S_OK when body returns normally.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
  try {
    body();
    return S_OK;
  } catch (const WicFailure& f) {
    return f.hr;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_FAIL;
  }
}

}  // namespace platform::wic

#endif
