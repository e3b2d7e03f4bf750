// The filter module loaded as the pipeline loads it: dlopen, DllGetClassObject for the variant's
// class, CreateInstance of IPrintPipelineFilter.
#ifndef BRIMLOFT_HOST_PIPELINE_FILTER_MODULE_H
#define BRIMLOFT_HOST_PIPELINE_FILTER_MODULE_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <string>

#include "module/ComPtr.h"

namespace brimloft::host {

// The class of a variant code ("RX1P" .. "RX3Q"); throws HostError (E_INVALIDARG) for another.
const CLSID& FilterClassId(const std::string& variant);

// Where the module is: $BRIMLOFT_MODULE when set, else brimloft_filter.so next to the running
// program, else ../brimloft_filter.so from it (the build tree's host directory). Empty when none exists.
std::string DefaultModulePath();

class FilterModule {
 public:
  // Throws HostError naming the file and the loader's reason when it cannot be loaded or lacks
  // DllGetClassObject.
  explicit FilterModule(const std::string& path);
  // Unloads the module only when DllCanUnloadNow agrees; a module with live objects stays loaded.
  ~FilterModule();
  FilterModule(const FilterModule&) = delete;
  FilterModule& operator=(const FilterModule&) = delete;

  // A new filter of the variant's class. Throws HostError naming the failing step
  // ("DllGetClassObject" or "CreateInstance") with its HRESULT.
  brimloft::ComPtr<IPrintPipelineFilter> CreateFilter(const std::string& variant) const;

 private:
  using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
  using CanUnloadNowFn = HRESULT (*)();
  void* handle_ = nullptr;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
};

}  // namespace brimloft::host

#endif
