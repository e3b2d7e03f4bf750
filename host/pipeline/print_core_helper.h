// IPrintCoreHelper over a printer description: its features and their current options, which are
// the description's defaults with the job's options applied. Strings and lists belong to the
// object and stay valid for its life.
#ifndef BRIMLOFT_HOST_PIPELINE_PRINT_CORE_HELPER_H
#define BRIMLOFT_HOST_PIPELINE_PRINT_CORE_HELPER_H

#include "host/host_namespace.h"

#include <prcomoem.h>

#include <map>
#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "platform/com_object.h"
#include "platform/printer_description.h"

namespace brimloft::host {

class PrintCoreHelper final : public platform::ComObject<IPrintCoreHelper, &IID_IPrintCoreHelper> {
 public:
  // Throws std::invalid_argument naming an option that names no feature or an option the feature
  // does not offer.
  static brimloft::ComPtr<PrintCoreHelper> Create(const platform::PrinterDescription& printer,
                                                  const std::map<std::string, std::string>& options);

  // E_POINTER for a null feature or out pointer; E_INVALIDARG for a feature the printer lacks.
  HRESULT STDMETHODCALLTYPE GetOption(const DEVMODE* pDevmode, DWORD cbSize, PCSTR pszFeatureRequested,
                                      PCSTR* ppszOption) override;
  HRESULT STDMETHODCALLTYPE SetOptions(PDEVMODE, DWORD, BOOL, const PRINT_FEATURE_OPTION[], DWORD, PDWORD,
                                       PDWORD) override;
  HRESULT STDMETHODCALLTYPE EnumConstrainedOptions(const DEVMODE*, DWORD, PCSTR, PCSTR**, DWORD*) override;
  HRESULT STDMETHODCALLTYPE WhyConstrained(const DEVMODE*, DWORD, PCSTR, PCSTR, const PRINT_FEATURE_OPTION**,
                                           DWORD*) override;
  // The feature names in description order; the list ends with a null entry not counted.
  HRESULT STDMETHODCALLTYPE EnumFeatures(PCSTR** pFeatureList, DWORD* pdwNumFeatures) override;
  HRESULT STDMETHODCALLTYPE EnumOptions(PCSTR pszFeatureKeyword, PCSTR** pOptionList, DWORD* pdwNumOptions) override;
  HRESULT STDMETHODCALLTYPE GetFontSubstitution(PCWSTR, PCWSTR*) override;
  HRESULT STDMETHODCALLTYPE SetFontSubstitution(PCWSTR, PCWSTR) override;
  HRESULT STDMETHODCALLTYPE CreateInstanceOfMSXMLObject(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext,
                                                        REFIID riid, LPVOID* ppv) override;

 private:
  PrintCoreHelper() = default;
  struct Feature {
    std::string name;
    std::string current;
    std::vector<std::string> options;
    std::vector<PCSTR> optionList;
  };
  const Feature* Find(PCSTR name) const;
  std::vector<Feature> features_;
  std::vector<PCSTR> featureList_;
};

}  // namespace brimloft::host

#endif
