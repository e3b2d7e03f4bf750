// The filter module as the pipeline sees it: the shared library loaded by path, reached only through
// its two exports. Loading runs process attach and unloading process detach.
#ifndef BRIMLOFT_TESTS_FAKES_LOADED_MODULE_H
#define BRIMLOFT_TESTS_FAKES_LOADED_MODULE_H

#include <windows.h>
#include <objbase.h>

#include <dlfcn.h>

#include <gtest/gtest.h>

namespace brimloft {
namespace testing {

class LoadedModule {
 public:
  using GetClassObjectFn = HRESULT (*)(REFCLSID, REFIID, LPVOID*);
  using CanUnloadNowFn = HRESULT (*)();

  LoadedModule() : handle_(dlopen(BRIMLOFT_MODULE_PATH, RTLD_NOW | RTLD_LOCAL)) {
    if (handle_ == nullptr) {
      ADD_FAILURE() << "cannot load " << BRIMLOFT_MODULE_PATH << ": " << dlerror();
      return;
    }
    getClassObject_ = reinterpret_cast<GetClassObjectFn>(dlsym(handle_, "DllGetClassObject"));
    canUnloadNow_ = reinterpret_cast<CanUnloadNowFn>(dlsym(handle_, "DllCanUnloadNow"));
    EXPECT_NE(nullptr, getClassObject_);
    EXPECT_NE(nullptr, canUnloadNow_);
  }
  ~LoadedModule() { Unload(); }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  bool Loaded() const { return getClassObject_ != nullptr && canUnloadNow_ != nullptr; }
  HRESULT DllGetClassObject(REFCLSID clsid, REFIID iid, void** ppv) const { return getClassObject_(clsid, iid, ppv); }
  HRESULT DllCanUnloadNow() const { return canUnloadNow_(); }

  void Unload() {
    if (handle_ == nullptr) return;
    getClassObject_ = nullptr;
    canUnloadNow_ = nullptr;
    EXPECT_EQ(0, dlclose(handle_));
    handle_ = nullptr;
  }

 private:
  void* handle_;
  GetClassObjectFn getClassObject_ = nullptr;
  CanUnloadNowFn canUnloadNow_ = nullptr;
};

}  // namespace testing
}  // namespace brimloft

#endif
