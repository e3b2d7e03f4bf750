// Checks the class id each model of the driver package names: it must be the one the DLL serves for
// that model's variant, and the DLL must make a filter of it.
// Usage: package_classes.exe brimloft_filter.dll VARIANT={CLSID}...; prints each failure, exits 1 on any.
#include <initguid.h>

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <string>

#include <filterpipeline.h>

#include "module/ClassIds.h"

namespace {

using GetClassObjectFn = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, LPVOID*);

// Empty when the model's class is right; otherwise what is wrong.
std::string CheckModel(GetClassObjectFn getClassObject, const std::string& variant, const std::string& text) {
  const brimloft::VariantInfo* info = nullptr;
  for (const auto& v : brimloft::kVariants)
    if (variant == v.code) info = &v;
  if (info == nullptr) return "names no variant of the filter";
  CLSID clsid;
  const std::wstring wide(text.begin(), text.end());
  if (FAILED(CLSIDFromString(wide.c_str(), &clsid))) return "names no class id: " + text;
  if (!IsEqualCLSID(clsid, *info->clsid)) return "names " + text + ", which is not the class of variant " + variant;
  IClassFactory* factory = nullptr;
  HRESULT hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
  if (FAILED(hr)) return "DllGetClassObject failed for " + text;
  IPrintPipelineFilter* filter = nullptr;
  hr = factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, reinterpret_cast<void**>(&filter));
  factory->Release();
  if (FAILED(hr)) return "CreateInstance failed for " + text;
  filter->Release();
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fputs("usage: package_classes.exe brimloft_filter.dll VARIANT={CLSID}...\n", stderr);
    return 2;
  }
  CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  HMODULE module = LoadLibraryA(argv[1]);
  const auto getClassObject = reinterpret_cast<GetClassObjectFn>(
      reinterpret_cast<void*>(module ? GetProcAddress(module, "DllGetClassObject") : nullptr));
  if (getClassObject == nullptr) {
    std::printf("package classes: cannot load %s\n", argv[1]);
    return 1;
  }
  int failed = 0;
  for (int i = 2; i < argc; ++i) {
    const std::string pair = argv[i];
    const std::size_t eq = pair.find('=');
    const std::string variant = pair.substr(0, eq);
    const std::string problem = eq == std::string::npos ? "is no VARIANT={CLSID}" : CheckModel(getClassObject, variant, pair.substr(eq + 1));
    if (problem.empty()) continue;
    ++failed;
    std::printf("package classes: model %s %s\n", variant.c_str(), problem.c_str());
  }
  return failed == 0 ? 0 : 1;
}
