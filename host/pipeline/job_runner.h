// Runs a filter over a job as the pipeline does: InitializeFilter on the caller's thread, then
// StartOperation on a job thread of its own that has joined the multithreaded apartment.
// ShutdownOperation may be called from any thread while it runs.
#ifndef BRIMLOFT_HOST_PIPELINE_JOB_RUNNER_H
#define BRIMLOFT_HOST_PIPELINE_JOB_RUNNER_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "host/pipeline/job.h"
#include "module/ComPtr.h"

namespace brimloft::host {

struct JobOutcome {
  HRESULT hr = S_OK;
  std::string step;  // "InitializeFilter", "CoInitializeEx" or "StartOperation" when hr failed
  std::string detail;  // the words the failing call left on its thread (GetErrorInfo), if any
};

class FilterRun {
 public:
  // Calls InitializeFilter; when it fails no thread starts and the outcome is already final.
  FilterRun(brimloft::ComPtr<IPrintPipelineFilter> filter, const Job& job);
  // Waits for the job thread.
  ~FilterRun();
  FilterRun(const FilterRun&) = delete;
  FilterRun& operator=(const FilterRun&) = delete;

  // Asks the filter to stop (ShutdownOperation); returns its HRESULT.
  HRESULT Shutdown();
  // True once StartOperation has returned (or never started).
  bool WaitFor(std::chrono::milliseconds timeout);
  JobOutcome Wait();

 private:
  brimloft::ComPtr<IPrintPipelineFilter> filter_;
  std::mutex mutex_;
  std::condition_variable done_;
  bool finished_ = false;
  JobOutcome outcome_;
  std::thread thread_;
};

// InitializeFilter and StartOperation, waiting for the end.
JobOutcome RunFilter(brimloft::ComPtr<IPrintPipelineFilter> filter, const Job& job);

}  // namespace brimloft::host

#endif
