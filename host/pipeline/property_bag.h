// IPrintPipelinePropertyBag: named VARIANTs shared by the filters of one job. Values are copied
// in and copied out (VariantCopy), so the bag and its callers never share ownership.
#ifndef BRIMLOFT_HOST_PIPELINE_PROPERTY_BAG_H
#define BRIMLOFT_HOST_PIPELINE_PROPERTY_BAG_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <map>
#include <mutex>
#include <string>

#include "module/ComPtr.h"
#include "platform/com_object.h"

namespace brimloft::host {

class PropertyBag final : public platform::ComObject<IPrintPipelinePropertyBag, &IID_IPrintPipelinePropertyBag> {
 public:
  static brimloft::ComPtr<PropertyBag> Create();

  // Adds or replaces; E_POINTER for a null name or value; the VariantCopy failure otherwise.
  HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t* pszName, const VARIANT* pVar) override;
  // Copies the value into *pVar (which is overwritten, not cleared); E_POINTER for null
  // arguments, HRESULT_FROM_WIN32(ERROR_NOT_FOUND) with *pVar VT_EMPTY for an unknown name.
  HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t* pszName, VARIANT* pVar) override;
  // TRUE when the name was there and is now gone.
  BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t* pszName) override;

 private:
  PropertyBag() = default;
  ~PropertyBag() override;
  std::mutex mutex_;
  std::map<std::wstring, VARIANT> values_;
};

}  // namespace brimloft::host

#endif
