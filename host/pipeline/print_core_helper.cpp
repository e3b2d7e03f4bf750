#include "host/pipeline/print_core_helper.h"

#include <stdexcept>

namespace brimloft::host {

brimloft::ComPtr<PrintCoreHelper> PrintCoreHelper::Create(const platform::PrinterDescription& printer,
                                                          const std::map<std::string, std::string>& options) {
  auto helper = brimloft::ComPtr<PrintCoreHelper>::Attach(new PrintCoreHelper());
  for (const auto& [name, option] : options) {
    if (printer.FindParameter(name)) continue;  // a parameter (a custom size) lives in the tickets only
    bool known = false;
    for (const platform::PrinterFeature& f : printer.features)
      if (f.name == name) {
        known = true;
        if (f.FindOption(option) == nullptr)
          throw std::invalid_argument("the printer's feature " + name + " has no option " + option);
      }
    if (!known) throw std::invalid_argument("the printer has no feature " + name);
  }
  helper->features_.reserve(printer.features.size());
  for (const platform::PrinterFeature& f : printer.features) {
    Feature feature;
    feature.name = f.name;
    const auto chosen = options.find(f.name);
    feature.current = chosen != options.end() ? chosen->second : f.Default().name;
    for (const platform::PrinterOption& o : f.options) feature.options.push_back(o.name);
    helper->features_.push_back(std::move(feature));
  }
  // The pointer lists are made once everything has its final place in memory.
  for (Feature& f : helper->features_) {
    for (const std::string& o : f.options) f.optionList.push_back(o.c_str());
    f.optionList.push_back(nullptr);
    helper->featureList_.push_back(f.name.c_str());
  }
  helper->featureList_.push_back(nullptr);
  return helper;
}

const PrintCoreHelper::Feature* PrintCoreHelper::Find(PCSTR name) const {
  for (const Feature& f : features_)
    if (f.name == name) return &f;
  return nullptr;
}

HRESULT PrintCoreHelper::GetOption(const DEVMODE*, DWORD, PCSTR pszFeatureRequested, PCSTR* ppszOption) {
  if (ppszOption == nullptr) return E_POINTER;
  *ppszOption = nullptr;
  if (pszFeatureRequested == nullptr) return E_POINTER;
  const Feature* f = Find(pszFeatureRequested);
  if (f == nullptr) return E_INVALIDARG;
  *ppszOption = f->current.c_str();
  return S_OK;
}

HRESULT PrintCoreHelper::SetOptions(PDEVMODE, DWORD, BOOL, const PRINT_FEATURE_OPTION[], DWORD, PDWORD, PDWORD) {
  return E_NOTIMPL;
}

HRESULT PrintCoreHelper::EnumConstrainedOptions(const DEVMODE*, DWORD, PCSTR, PCSTR** list, DWORD* count) {
  if (list) *list = nullptr;
  if (count) *count = 0;
  return E_NOTIMPL;
}

HRESULT PrintCoreHelper::WhyConstrained(const DEVMODE*, DWORD, PCSTR, PCSTR, const PRINT_FEATURE_OPTION** pairs,
                                        DWORD* count) {
  if (pairs) *pairs = nullptr;
  if (count) *count = 0;
  return E_NOTIMPL;
}

HRESULT PrintCoreHelper::EnumFeatures(PCSTR** pFeatureList, DWORD* pdwNumFeatures) {
  if (pFeatureList == nullptr || pdwNumFeatures == nullptr) return E_POINTER;
  *pFeatureList = const_cast<PCSTR*>(featureList_.data());
  *pdwNumFeatures = static_cast<DWORD>(features_.size());
  return S_OK;
}

HRESULT PrintCoreHelper::EnumOptions(PCSTR pszFeatureKeyword, PCSTR** pOptionList, DWORD* pdwNumOptions) {
  if (pOptionList == nullptr || pdwNumOptions == nullptr) return E_POINTER;
  *pOptionList = nullptr;
  *pdwNumOptions = 0;
  if (pszFeatureKeyword == nullptr) return E_POINTER;
  const Feature* f = Find(pszFeatureKeyword);
  if (f == nullptr) return E_INVALIDARG;
  *pOptionList = const_cast<PCSTR*>(f->optionList.data());
  *pdwNumOptions = static_cast<DWORD>(f->options.size());
  return S_OK;
}

HRESULT PrintCoreHelper::GetFontSubstitution(PCWSTR, PCWSTR* device) {
  if (device) *device = nullptr;
  return E_NOTIMPL;
}

HRESULT PrintCoreHelper::SetFontSubstitution(PCWSTR, PCWSTR) { return E_NOTIMPL; }

HRESULT PrintCoreHelper::CreateInstanceOfMSXMLObject(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                                     REFIID riid, LPVOID* ppv) {
  return CoCreateInstance(rclsid, pUnkOuter, dwClsContext, riid, ppv);
}

}  // namespace brimloft::host
