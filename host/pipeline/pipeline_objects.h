// The small pipeline objects a filter is initialised with: the inter-filter communicator that
// hands out the reader and the writer, and the pipeline manager control, which records calls.
#ifndef BRIMLOFT_HOST_PIPELINE_PIPELINE_OBJECTS_H
#define BRIMLOFT_HOST_PIPELINE_PIPELINE_OBJECTS_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <mutex>
#include <vector>

#include "module/ComPtr.h"
#include "platform/com_object.h"

namespace brimloft::host {

class Communicator final : public platform::ComObject<IInterFilterCommunicator, &IID_IInterFilterCommunicator> {
 public:
  // Either may be null: the request then fails with E_NOINTERFACE, as a pipeline without that
  // connection would answer.
  static brimloft::ComPtr<Communicator> Create(brimloft::ComPtr<IUnknown> reader, brimloft::ComPtr<IUnknown> writer);

  // Each hands out a new reference (E_POINTER for a null out pointer).
  HRESULT STDMETHODCALLTYPE RequestReader(void** ppIReader) override;
  HRESULT STDMETHODCALLTYPE RequestWriter(void** ppIWriter) override;

 private:
  Communicator(brimloft::ComPtr<IUnknown> r, brimloft::ComPtr<IUnknown> w) : reader_(std::move(r)), writer_(std::move(w)) {}
  brimloft::ComPtr<IUnknown> reader_;
  brimloft::ComPtr<IUnknown> writer_;
};

class ManagerControl final
    : public platform::ComObject<IPrintPipelineManagerControl, &IID_IPrintPipelineManagerControl> {
 public:
  static brimloft::ComPtr<ManagerControl> Create();

  HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT hrReason, IImgErrorInfo* pReason) override;
  HRESULT STDMETHODCALLTYPE FilterFinished() override;

  std::vector<HRESULT> ShutdownRequests() const;
  int FinishedCalls() const;

 private:
  ManagerControl() = default;
  mutable std::mutex mutex_;
  std::vector<HRESULT> shutdowns_;
  int finished_ = 0;
};

}  // namespace brimloft::host

#endif
