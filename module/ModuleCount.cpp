#include "module/ModuleCount.h"

namespace brimloft {
namespace {
LONG volatile g_moduleCount = 0;
}

void IncrementModuleCount() noexcept { InterlockedIncrement(&g_moduleCount); }
void DecrementModuleCount() noexcept { InterlockedDecrement(&g_moduleCount); }
LONG ModuleCount() noexcept { return InterlockedCompareExchange(&g_moduleCount, 0, 0); }

}  // namespace brimloft
