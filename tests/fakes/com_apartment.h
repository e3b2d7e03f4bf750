// Joins the multithreaded apartment for the lifetime of the object, as the filter's thread does.
#ifndef BRIMLOFT_TESTS_FAKES_COM_APARTMENT_H
#define BRIMLOFT_TESTS_FAKES_COM_APARTMENT_H

#include <objbase.h>

#include <stdexcept>

namespace brimloft::fakes {

class ComApartment {
 public:
  ComApartment() {
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) throw std::runtime_error("CoInitializeEx failed");
  }
  ~ComApartment() { CoUninitialize(); }
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;
};

}  // namespace brimloft::fakes

#endif
