// The COM runtime: per-thread apartments and in-process class creation from the class registry.
#include <objbase.h>

#include <platform/com_registry.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

namespace {

struct Apartment {
  ULONG initCount = 0;
  bool multithreaded = false;
};

thread_local Apartment t_apartment;
// Threads in the multithreaded apartment; while there are any, every thread of the process may
// create objects (the implicit multithreaded apartment).
std::atomic<int> g_mtaThreads{0};

struct GuidLess {
  bool operator()(const GUID& a, const GUID& b) const { return std::memcmp(&a, &b, sizeof(GUID)) < 0; }
};

struct Registry {
  std::mutex mutex;
  std::map<GUID, platform::ClassCreator, GuidLess> classes;
};

Registry& ClassRegistry() {
  static Registry* registry = new Registry;  // lives until the process ends
  return *registry;
}

}  // namespace

namespace platform {

void RegisterInprocClass(REFCLSID clsid, ClassCreator create) {
  auto& registry = ClassRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  if (create == nullptr) {
    registry.classes.erase(clsid);
  } else {
    registry.classes[clsid] = create;
  }
}

ClassCreator RegisteredInprocClass(REFCLSID clsid) {
  auto& registry = ClassRegistry();
  std::lock_guard<std::mutex> lock(registry.mutex);
  const auto it = registry.classes.find(clsid);
  return it == registry.classes.end() ? nullptr : it->second;
}

}  // namespace platform

extern "C" HRESULT WINAPI CoInitializeEx(LPVOID pvReserved, DWORD dwCoInit) {
  if (pvReserved != nullptr) return E_INVALIDARG;
  const bool multithreaded = (dwCoInit & COINIT_APARTMENTTHREADED) == 0;
  Apartment& apartment = t_apartment;
  if (apartment.initCount != 0) {
    if (apartment.multithreaded != multithreaded) return RPC_E_CHANGED_MODE;
    ++apartment.initCount;
    return S_FALSE;
  }
  apartment.initCount = 1;
  apartment.multithreaded = multithreaded;
  if (multithreaded) ++g_mtaThreads;
  return S_OK;
}

extern "C" void WINAPI CoUninitialize(void) {
  Apartment& apartment = t_apartment;
  if (apartment.initCount == 0) return;
  if (--apartment.initCount == 0 && apartment.multithreaded) --g_mtaThreads;
}

extern "C" HRESULT WINAPI CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid,
                                           LPVOID* ppv) {
  if (ppv == nullptr) return E_POINTER;
  *ppv = nullptr;
  if (t_apartment.initCount == 0 && g_mtaThreads.load() == 0) return CO_E_NOTINITIALIZED;
  if ((dwClsContext & CLSCTX_INPROC_SERVER) == 0) return REGDB_E_CLASSNOTREG;
  platform::ClassCreator create = nullptr;
  {
    auto& registry = ClassRegistry();
    std::lock_guard<std::mutex> lock(registry.mutex);
    auto it = registry.classes.find(rclsid);
    if (it == registry.classes.end()) return REGDB_E_CLASSNOTREG;
    create = it->second;
  }
  if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
  const HRESULT hr = create(riid, ppv);
  if (FAILED(hr)) *ppv = nullptr;
  return hr;
}

extern "C" void* WINAPI CoTaskMemAlloc(SIZE_T cb) { return std::malloc(cb ? cb : 1); }
extern "C" void WINAPI CoTaskMemFree(LPVOID pv) { std::free(pv); }
