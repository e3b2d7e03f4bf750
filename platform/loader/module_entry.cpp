// The loader's side of a module's entry point: the shared library's constructor and destructor
// stand in for process attach and detach.
#include <windows.h>

#include <dlfcn.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);

namespace {

HINSTANCE ModuleHandle() {
  Dl_info info{};
  static const int anchor = 0;
  if (dladdr(&anchor, &info) == 0) return nullptr;
  return info.dli_fbase;
}

__attribute__((constructor)) void OnLoad() { DllMain(ModuleHandle(), DLL_PROCESS_ATTACH, nullptr); }
__attribute__((destructor)) void OnUnload() { DllMain(ModuleHandle(), DLL_PROCESS_DETACH, nullptr); }

}  // namespace
