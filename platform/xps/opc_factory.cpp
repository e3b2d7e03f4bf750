// The packaging factory, as far as part names go.
#include <msopc.h>

#include <new>

#include "platform/com_object.h"
#include "platform/com_registry.h"
#include "xps/part_name.h"

namespace platform::xps {
namespace {

class OpcFactory : public ComObject<IOpcFactory, &IID_IOpcFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreatePartUri(LPCWSTR uri, IOpcPartUri** partUri) override {
    if (partUri == nullptr) return E_POINTER;
    *partUri = nullptr;
    if (uri == nullptr) return E_POINTER;
    try {
      const std::wstring name(uri);
      const HRESULT hr = ValidatePartName(name);
      if (FAILED(hr)) return hr;
      return CreatePartUriObject(name, partUri);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
};

HRESULT CreateOpcFactory(REFIID riid, void** ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  auto* factory = new (std::nothrow) OpcFactory();
  if (factory == nullptr) return E_OUTOFMEMORY;
  return HandOut(factory, riid, ppv);
}

const ClassRegistration kOpcFactoryClass(CLSID_OpcFactory, CreateOpcFactory);

}  // namespace
}  // namespace platform::xps
