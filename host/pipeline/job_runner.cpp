#include "host/pipeline/job_runner.h"

#include <oleauto.h>

#include "host/package/text.h"
#include "host/pipeline/com_apartment.h"

namespace brimloft::host {
namespace {

// The description of the error information the calling thread holds, taking it; "" when none.
std::string LeftErrorDescription() {
  brimloft::ComPtr<IErrorInfo> info;
  BSTR description = nullptr;
  if (GetErrorInfo(0, info.put()) != S_OK || FAILED(info->GetDescription(&description))) return "";
  const std::string words = description == nullptr ? "" : Narrow(description);
  SysFreeString(description);
  return words;
}

}  // namespace

FilterRun::FilterRun(brimloft::ComPtr<IPrintPipelineFilter> filter, const Job& job) : filter_(std::move(filter)) {
  SetErrorInfo(0, nullptr);
  const HRESULT hr = filter_->InitializeFilter(job.Communicator(), job.PropertyBag(), job.Control());
  if (FAILED(hr)) {
    outcome_ = {hr, "InitializeFilter", LeftErrorDescription()};
    finished_ = true;
    return;
  }
  thread_ = std::thread([this] {
    JobOutcome outcome;
    {
      const ComApartment apartment;
      if (!apartment.usable()) {
        outcome = {apartment.result(), "CoInitializeEx", ""};
      } else {
        SetErrorInfo(0, nullptr);
        const HRESULT hr = filter_->StartOperation();
        if (FAILED(hr)) outcome = {hr, "StartOperation", LeftErrorDescription()};
      }
    }
    std::lock_guard<std::mutex> lock(mutex_);
    outcome_ = outcome;
    finished_ = true;
    done_.notify_all();
  });
}

FilterRun::~FilterRun() {
  if (thread_.joinable()) thread_.join();
}

HRESULT FilterRun::Shutdown() { return filter_->ShutdownOperation(); }

bool FilterRun::WaitFor(std::chrono::milliseconds timeout) {
  std::unique_lock<std::mutex> lock(mutex_);
  return done_.wait_for(lock, timeout, [this] { return finished_; });
}

JobOutcome FilterRun::Wait() {
  {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return finished_; });
  }
  if (thread_.joinable()) thread_.join();
  return outcome_;
}

JobOutcome RunFilter(brimloft::ComPtr<IPrintPipelineFilter> filter, const Job& job) {
  FilterRun run(std::move(filter), job);
  return run.Wait();
}

}  // namespace brimloft::host
