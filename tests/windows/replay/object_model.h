// The XPS object model factory of the Windows test host (object_model.cpp).
#ifndef BRIMLOFT_TESTS_WINDOWS_REPLAY_OBJECT_MODEL_H
#define BRIMLOFT_TESTS_WINDOWS_REPLAY_OBJECT_MODEL_H

#include <windows.h>

#include <cstddef>

namespace brimloft::replay {

// A new factory, handed out as iid.
HRESULT CreateObjectModelFactory(REFIID iid, void** out);

// Where in the job a page the factory made stands (from 0); SIZE_MAX for any other object.
std::size_t ObjectModelPageIndex(void* page);

}  // namespace brimloft::replay

#endif
