#include "host/pipeline/property_bag.h"

namespace brimloft::host {

brimloft::ComPtr<PropertyBag> PropertyBag::Create() {
  return brimloft::ComPtr<PropertyBag>::Attach(new PropertyBag());
}

PropertyBag::~PropertyBag() {
  for (auto& [name, value] : values_) VariantClear(&value);
}

HRESULT PropertyBag::AddProperty(const wchar_t* pszName, const VARIANT* pVar) {
  if (pszName == nullptr || pVar == nullptr) return E_POINTER;
  VARIANT copy;
  VariantInit(&copy);
  const HRESULT hr = VariantCopy(&copy, pVar);
  if (FAILED(hr)) return hr;
  std::lock_guard<std::mutex> lock(mutex_);
  auto [it, inserted] = values_.try_emplace(pszName, copy);
  if (!inserted) {
    VariantClear(&it->second);
    it->second = copy;
  }
  return S_OK;
}

HRESULT PropertyBag::GetProperty(const wchar_t* pszName, VARIANT* pVar) {
  if (pszName == nullptr || pVar == nullptr) return E_POINTER;
  VariantInit(pVar);
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = values_.find(pszName);
  if (it == values_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
  return VariantCopy(pVar, &it->second);
}

BOOL PropertyBag::DeleteProperty(const wchar_t* pszName) {
  if (pszName == nullptr) return FALSE;
  std::lock_guard<std::mutex> lock(mutex_);
  const auto it = values_.find(pszName);
  if (it == values_.end()) return FALSE;
  VariantClear(&it->second);
  values_.erase(it);
  return TRUE;
}

}  // namespace brimloft::host
