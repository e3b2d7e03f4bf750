// The calling thread's membership of the multithreaded COM apartment, for the object's lifetime:
// every host thread that drives the filter module or the platform's COM objects holds one.
#ifndef BRIMLOFT_HOST_PIPELINE_COM_APARTMENT_H
#define BRIMLOFT_HOST_PIPELINE_COM_APARTMENT_H

#include <windows.h>

namespace brimloft::host {

class ComApartment {
 public:
  // Joins the apartment; never throws, so that each caller reports a failure its own way.
  ComApartment() noexcept;
  // Leaves only what it joined.
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

  // True when the thread is in an apartment: joined now, or already in another one
  // (RPC_E_CHANGED_MODE), where it stays.
  bool usable() const noexcept { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }
  // CoInitializeEx's answer.
  HRESULT result() const noexcept { return hr_; }

 private:
  HRESULT hr_;
};

}  // namespace brimloft::host

#endif
