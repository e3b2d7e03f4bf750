// The reference-counting base of the module's own COM objects.
#ifndef BRIMLOFT_MODULE_UNKNOWNBASE_H
#define BRIMLOFT_MODULE_UNKNOWNBASE_H

#include <windows.h>
#include <objbase.h>

#include "module/filtertypes.h"

namespace brimloft {

// The interface identifier of an UnknownBase instantiation; specialised beside each derived class.
template <class T>
const IID& InterfaceIdOf();

// Implements the IUnknown part of T. An object is born holding one reference, answers
// IID_IUnknown and InterfaceIdOf<T>(), and deletes itself through its virtual destructor when
// the last reference goes.
template <class T>
class UnknownBase : public T {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    constexpr auto kUnit = TraceUnit::UnknownBase;
    if (ppv == nullptr) {
      BRIMLOFT_TRACE_FAILURE(E_POINTER);
      return E_POINTER;
    }
    if (riid == IID_IUnknown || riid == InterfaceIdOf<T>()) {
      *ppv = static_cast<T*>(this);
      this->AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    BRIMLOFT_TRACE_FAILURE(E_NOINTERFACE);
    return E_NOINTERFACE;
  }

  ULONG STDMETHODCALLTYPE AddRef() override {
    return static_cast<ULONG>(InterlockedIncrement(reinterpret_cast<LONG volatile*>(&refCount_)));
  }

  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = static_cast<ULONG>(InterlockedDecrement(reinterpret_cast<LONG volatile*>(&refCount_)));
    if (left == 0) delete this;
    return left;
  }

  virtual ~UnknownBase() = default;

 protected:
  UnknownBase() = default;
  UnknownBase(const UnknownBase&) = delete;
  UnknownBase& operator=(const UnknownBase&) = delete;

 private:
  ULONG refCount_ = 1;
};

}  // namespace brimloft

#endif
