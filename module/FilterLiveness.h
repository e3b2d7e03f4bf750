// The job's alive flag, handed to the rasterizer as its notification callback.
#ifndef BRIMLOFT_MODULE_FILTERLIVENESS_H
#define BRIMLOFT_MODULE_FILTERLIVENESS_H

#include <xpsrassvc.h>

#include <atomic>

#include "module/UnknownBase.h"

namespace brimloft {

template <>
inline const IID& InterfaceIdOf<IXpsRasterizerNotificationCallback>() {
  return IID_IXpsRasterizerNotificationCallback;
}

// Alive from construction until Stop; never revived. One writer (the thread shutting the job
// down) and any number of readers that publish nothing through it, so relaxed order is enough.
class FilterLiveness : public UnknownBase<IXpsRasterizerNotificationCallback> {
 public:
  // S_OK while alive, HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED) once stopped.
  HRESULT STDMETHODCALLTYPE Continue() override;

  bool IsAlive() const noexcept { return alive_.load(std::memory_order_relaxed) != 0; }
  void Stop() noexcept { alive_.store(0, std::memory_order_relaxed); }

 private:
  std::atomic<LONG> alive_{1};
};

}  // namespace brimloft

#endif
