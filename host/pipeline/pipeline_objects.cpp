#include "host/pipeline/pipeline_objects.h"

namespace brimloft::host {

brimloft::ComPtr<Communicator> Communicator::Create(brimloft::ComPtr<IUnknown> reader,
                                                    brimloft::ComPtr<IUnknown> writer) {
  return brimloft::ComPtr<Communicator>::Attach(new Communicator(std::move(reader), std::move(writer)));
}

HRESULT Communicator::RequestReader(void** ppIReader) {
  if (ppIReader == nullptr) return E_POINTER;
  *ppIReader = brimloft::ComPtr<IUnknown>(reader_).Detach();
  return *ppIReader ? S_OK : E_NOINTERFACE;
}

HRESULT Communicator::RequestWriter(void** ppIWriter) {
  if (ppIWriter == nullptr) return E_POINTER;
  *ppIWriter = brimloft::ComPtr<IUnknown>(writer_).Detach();
  return *ppIWriter ? S_OK : E_NOINTERFACE;
}

brimloft::ComPtr<ManagerControl> ManagerControl::Create() {
  return brimloft::ComPtr<ManagerControl>::Attach(new ManagerControl());
}

HRESULT ManagerControl::RequestShutdown(HRESULT hrReason, IImgErrorInfo*) {
  std::lock_guard<std::mutex> lock(mutex_);
  shutdowns_.push_back(hrReason);
  return S_OK;
}

HRESULT ManagerControl::FilterFinished() {
  std::lock_guard<std::mutex> lock(mutex_);
  ++finished_;
  return S_OK;
}

std::vector<HRESULT> ManagerControl::ShutdownRequests() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return shutdowns_;
}

int ManagerControl::FinishedCalls() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return finished_;
}

}  // namespace brimloft::host
