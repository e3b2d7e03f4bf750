// The module object count: live factories, live filters and outstanding server locks. The module
// may be unloaded only while it is 0.
#ifndef BRIMLOFT_MODULE_MODULECOUNT_H
#define BRIMLOFT_MODULE_MODULECOUNT_H

#include <windows.h>

namespace brimloft {

void IncrementModuleCount() noexcept;
void DecrementModuleCount() noexcept;
LONG ModuleCount() noexcept;

}  // namespace brimloft

#endif
