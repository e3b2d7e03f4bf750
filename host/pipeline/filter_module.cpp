#include "host/pipeline/filter_module.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "host/failures/host_error.h"
#include "module/ClassIds.h"

namespace brimloft::host {
namespace {

std::string ProgramDirectory() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  path[n] = '\0';
  std::string p(path);
  return p.substr(0, p.rfind('/'));
}

bool Exists(const std::string& path) { return access(path.c_str(), R_OK) == 0; }

}  // namespace

const CLSID& FilterClassId(const std::string& variant) {
  for (const brimloft::VariantInfo& v : brimloft::kVariants)
    if (variant == v.code) return *v.clsid;
  throw HostError(E_INVALIDARG, "no filter class for the variant \"" + variant + "\"");
}

std::string DefaultModulePath() {
  if (const char* env = std::getenv("BRIMLOFT_MODULE"); env && *env) return env;
  // Beside the program, one folder up (the build tree), or where an installed tool finds it; the
  // build gives the installed module's folder relative to the tools' folder.
  const std::string dir = ProgramDirectory();
  for (const std::string& candidate : {dir + "/brimloft_filter.so", dir + "/../brimloft_filter.so",
                                       dir + "/" BRIMLOFT_INSTALLED_MODULE_DIR "/brimloft_filter.so"})
    if (Exists(candidate)) return candidate;
  return "";
}

FilterModule::FilterModule(const std::string& path) {
  if (path.empty()) throw HostError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "the filter module was not found "
                                    "(set BRIMLOFT_MODULE to the path of brimloft_filter.so)");
  handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (handle_ == nullptr) {
    const char* why = dlerror();
    throw HostError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND),
                    "loading the filter module " + path + ": " + (why ? why : "unknown reason"));
  }
  getClassObject_ = reinterpret_cast<GetClassObjectFn>(dlsym(handle_, "DllGetClassObject"));
  canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(dlsym(handle_, "DllCanUnloadNow"));
  if (getClassObject_ == nullptr) {
    dlclose(handle_);
    throw HostError(HRESULT_FROM_WIN32(ERROR_BAD_FORMAT), "the filter module " + path + " has no DllGetClassObject");
  }
}

FilterModule::~FilterModule() {
  if (canUnloadNow_ != nullptr && canUnloadNow_() == S_OK) dlclose(handle_);
}

brimloft::ComPtr<IPrintPipelineFilter> FilterModule::CreateFilter(const std::string& variant) const {
  brimloft::ComPtr<IClassFactory> factory;
  HRESULT hr = getClassObject_(FilterClassId(variant), IID_IClassFactory, factory.put_void());
  if (FAILED(hr)) throw HostError(hr, "DllGetClassObject for " + variant + " failed with " + HexHr(hr));
  brimloft::ComPtr<IPrintPipelineFilter> filter;
  hr = factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, filter.put_void());
  if (FAILED(hr)) throw HostError(hr, "CreateInstance of the " + variant + " filter failed with " + HexHr(hr));
  return filter;
}

}  // namespace brimloft::host
