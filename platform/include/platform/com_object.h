// Reference counting and QueryInterface for the platform's own COM objects.
#ifndef BRIMLOFT_PLATFORM_COM_OBJECT_H
#define BRIMLOFT_PLATFORM_COM_OBJECT_H

#include <objbase.h>

#include <atomic>

namespace platform {

// Implements IUnknown for an object whose interfaces form one inheritance chain ending in
// Interface. QueryInterface answers IID_IUnknown and each of Iids. Objects are born with one
// reference and delete themselves on the last Release.
template <class Interface, const IID*... Iids>
class ComObject : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || ((riid == *Iids) || ...)) {
      *ppv = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return refs_.fetch_add(1) + 1; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete this;
    return left;
  }
  ULONG RefCount() const { return refs_.load(); }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  ComObject(const ComObject&) = delete;
  ComObject& operator=(const ComObject&) = delete;

 private:
  std::atomic<ULONG> refs_{1};
};

// Hands a newly made object (holding its birth reference) out as the requested interface.
template <class T>
HRESULT HandOut(T* object, REFIID riid, void** ppv) {
  if (ppv == nullptr) {
    object->Release();
    return E_POINTER;
  }
  const HRESULT hr = object->QueryInterface(riid, ppv);
  object->Release();
  return hr;
}

}  // namespace platform

#endif
