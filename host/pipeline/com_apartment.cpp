#include "host/pipeline/com_apartment.h"

#include <objbase.h>

namespace brimloft::host {

ComApartment::ComApartment() noexcept : hr_(CoInitializeEx(nullptr, COINIT_MULTITHREADED)) {}

ComApartment::~ComApartment() {
  if (SUCCEEDED(hr_)) CoUninitialize();
}

}  // namespace brimloft::host
