// Loads the filter DLL as the print pipeline would and checks its class objects: the six classes,
// reference counts, unsupported interfaces and classes, aggregation, and when it may unload.
// Usage: module_check [path-to-dll]; prints every failed check and a summary, exits 1 on failure.
#include <initguid.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>

#include <filterpipeline.h>

#include "module/ClassIds.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);
using CanUnloadNowFn = HRESULT(STDAPICALLTYPE*)();

// A pointer value no COM call returns; out-parameters start with it to prove they were written.
void* const kSentinel = reinterpret_cast<void*>(static_cast<UINT_PTR>(0x5E5E5E5E));

constexpr CLSID kUnknownClass = {0x0badc0de, 0x1234, 0x5678, {0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}};

int g_passed = 0;
int g_failed = 0;

void Check(bool ok, const char* variant, const char* what) {
  if (ok) {
    ++g_passed;
    return;
  }
  ++g_failed;
  std::printf("FAILED [%s] %s\n", variant, what);
}

void CheckHr(HRESULT got, HRESULT want, const char* variant, const char* what) {
  if (got == want) {
    ++g_passed;
    return;
  }
  ++g_failed;
  std::printf("FAILED [%s] %s: 0x%08lX, expected 0x%08lX\n", variant, what, static_cast<unsigned long>(got),
              static_cast<unsigned long>(want));
}

// A stand-in outer object for the aggregation check; it is never called.
struct Outer : IUnknown {
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
};

void CheckFilter(IPrintPipelineFilter* filter, const char* code) {
  Check(filter->AddRef() == 2, code, "filter AddRef returns 2");
  Check(filter->Release() == 1, code, "filter Release returns 1");

  void* unknown = kSentinel;
  CheckHr(filter->QueryInterface(IID_IUnknown, &unknown), S_OK, code, "filter QueryInterface(IUnknown)");
  Check(unknown == filter, code, "filter IUnknown is the same pointer");
  if (unknown == filter) Check(filter->Release() == 1, code, "filter Release after QueryInterface returns 1");

  void* other = kSentinel;
  CheckHr(filter->QueryInterface(IID_IClassFactory, &other), E_NOINTERFACE, code, "filter QueryInterface(IClassFactory)");
  Check(other == nullptr, code, "filter E_NOINTERFACE clears the out pointer");
  CheckHr(filter->QueryInterface(IID_IPrintPipelineFilter, nullptr), E_POINTER, code, "filter QueryInterface(null)");

  CheckHr(filter->InitializeFilter(nullptr, nullptr, nullptr), E_POINTER, code, "InitializeFilter(null, null, null)");
  CheckHr(filter->ShutdownOperation(), S_OK, code, "ShutdownOperation");
  CheckHr(filter->ShutdownOperation(), S_OK, code, "ShutdownOperation twice");
}

void CheckVariant(GetClassObjectFn getClassObject, CanUnloadNowFn canUnloadNow, const brimloft::VariantInfo& row) {
  const char* code = row.code;
  void* object = kSentinel;
  CheckHr(getClassObject(*row.clsid, IID_IClassFactory, &object), S_OK, code, "DllGetClassObject(IClassFactory)");
  if (object == kSentinel || object == nullptr) {
    Check(false, code, "DllGetClassObject hands out a factory");
    return;
  }
  auto* factory = static_cast<IClassFactory*>(object);
  CheckHr(canUnloadNow(), S_FALSE, code, "DllCanUnloadNow with a live factory");
  Check(factory->AddRef() == 2, code, "factory AddRef returns 2");
  Check(factory->Release() == 1, code, "factory Release returns 1");

  void* unknown = kSentinel;
  CheckHr(factory->QueryInterface(IID_IUnknown, &unknown), S_OK, code, "factory QueryInterface(IUnknown)");
  Check(unknown == factory, code, "factory IUnknown is the same pointer");
  if (unknown == factory) factory->Release();
  void* wrong = kSentinel;
  CheckHr(factory->QueryInterface(IID_IPrintPipelineFilter, &wrong), E_NOINTERFACE, code,
          "factory QueryInterface(IPrintPipelineFilter)");
  Check(wrong == nullptr, code, "factory E_NOINTERFACE clears the out pointer");

  Outer outer;
  void* aggregated = kSentinel;
  CheckHr(factory->CreateInstance(&outer, IID_IPrintPipelineFilter, &aggregated), CLASS_E_NOAGGREGATION, code,
          "CreateInstance with an outer object");
  CheckHr(factory->CreateInstance(&outer, IID_IPrintPipelineFilter, nullptr), CLASS_E_NOAGGREGATION, code,
          "CreateInstance tests aggregation before the out pointer");
  CheckHr(factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, nullptr), E_POINTER, code,
          "CreateInstance(null out pointer)");
  void* notFilter = kSentinel;
  CheckHr(factory->CreateInstance(nullptr, IID_IClassFactory, &notFilter), E_NOINTERFACE, code,
          "CreateInstance(IClassFactory)");
  Check(notFilter == nullptr, code, "CreateInstance E_NOINTERFACE clears the out pointer");

  void* created = kSentinel;
  CheckHr(factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, &created), S_OK, code,
          "CreateInstance(IPrintPipelineFilter)");
  IPrintPipelineFilter* filter = nullptr;
  if (created != kSentinel && created != nullptr)
    filter = static_cast<IPrintPipelineFilter*>(created);
  else
    Check(false, code, "CreateInstance hands out a filter");

  // Two locks on one factory count once; two unlocks give it back.
  CheckHr(factory->LockServer(TRUE), S_OK, code, "LockServer(TRUE)");
  CheckHr(factory->LockServer(TRUE), S_OK, code, "LockServer(TRUE) again");
  CheckHr(factory->LockServer(FALSE), S_OK, code, "LockServer(FALSE)");
  CheckHr(factory->LockServer(FALSE), S_OK, code, "LockServer(FALSE) again");
  Check(factory->Release() == 0, code, "last factory Release returns 0");

  if (filter) {
    CheckHr(canUnloadNow(), S_FALSE, code, "DllCanUnloadNow with a live filter");
    CheckFilter(filter, code);
    Check(filter->Release() == 0, code, "last filter Release returns 0");
  }
  CheckHr(canUnloadNow(), S_OK, code, "DllCanUnloadNow once factory and filter are gone");
}

// A lock taken on a factory outlives it: the module may never unload afterwards. Run last.
void CheckLockOutlivesFactory(GetClassObjectFn getClassObject, CanUnloadNowFn canUnloadNow) {
  void* object = nullptr;
  CheckHr(getClassObject(*brimloft::kVariants[0].clsid, IID_IClassFactory, &object), S_OK, "module",
          "DllGetClassObject for the lock check");
  if (!object) return;
  auto* factory = static_cast<IClassFactory*>(object);
  CheckHr(factory->LockServer(TRUE), S_OK, "module", "LockServer(TRUE)");
  factory->Release();
  CheckHr(canUnloadNow(), S_FALSE, "module", "a server lock outlives its factory");
  // An unlock on a different, never locked factory leaves the module count alone.
  object = nullptr;
  if (FAILED(getClassObject(*brimloft::kVariants[1].clsid, IID_IClassFactory, &object)) || !object) return;
  factory = static_cast<IClassFactory*>(object);
  factory->LockServer(FALSE);
  factory->Release();
  CheckHr(canUnloadNow(), S_FALSE, "module", "an unmatched unlock gives back nothing");
}

}  // namespace

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "brimloft_filter.dll";
  HMODULE module = LoadLibraryA(path);
  if (!module) {
    std::printf("module_check: cannot load %s (error %lu)\n", path, static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  auto canUnloadNow = reinterpret_cast<CanUnloadNowFn>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllCanUnloadNow")));
  if (!getClassObject || !canUnloadNow) {
    std::printf("module_check: %s lacks DllGetClassObject or DllCanUnloadNow\n", path);
    return 1;
  }

  CheckHr(canUnloadNow(), S_OK, "module", "DllCanUnloadNow when freshly loaded");
  void* none = kSentinel;
  CheckHr(getClassObject(kUnknownClass, IID_IClassFactory, &none), CLASS_E_CLASSNOTAVAILABLE, "module",
          "DllGetClassObject(unknown class)");
  Check(none == nullptr, "module", "CLASS_E_CLASSNOTAVAILABLE clears the out pointer");
  CheckHr(getClassObject(*brimloft::kVariants[0].clsid, IID_IClassFactory, nullptr), E_POINTER, "module",
          "DllGetClassObject(null out pointer)");
  void* wrong = kSentinel;
  CheckHr(getClassObject(*brimloft::kVariants[0].clsid, IID_IPrintPipelineFilter, &wrong), E_NOINTERFACE, "module",
          "DllGetClassObject(IPrintPipelineFilter)");
  Check(wrong == nullptr, "module", "E_NOINTERFACE clears the out pointer");
  CheckHr(canUnloadNow(), S_OK, "module", "a refused class object leaves no object behind");

  for (const auto& row : brimloft::kVariants) CheckVariant(getClassObject, canUnloadNow, row);
  CheckLockOutlivesFactory(getClassObject, canUnloadNow);

  FreeLibrary(module);
  std::printf("module_check: %d passed, %d failed\n", g_passed, g_failed);
  return g_failed == 0 ? 0 : 1;
}
