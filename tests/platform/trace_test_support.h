// A test trace provider that records every control request it receives.
#ifndef BRIMLOFT_TESTS_TRACE_TEST_SUPPORT_H
#define BRIMLOFT_TESTS_TRACE_TEST_SUPPORT_H

#include <evntrace.h>

#include <functional>
#include <vector>

namespace trace_test {

struct Request {
  WMIDPREQUESTCODE code;
  TRACEHANDLE logger;  // GetTraceLoggerHandle of the buffer
  UCHAR level;         // GetTraceEnableLevel of that handle
  ULONG flags;         // GetTraceEnableFlags of that handle
  ULONG bufferSize;
};

class Provider {
 public:
  explicit Provider(const GUID& control) : control_(control) {}
  ~Provider() { Unregister(); }

  ULONG Register() {
    TRACE_GUID_REGISTRATION classReg = {&control_, nullptr};
    return RegisterTraceGuidsA(&Provider::Callback, this, &control_, 1, &classReg, nullptr, nullptr, &handle_);
  }
  ULONG Unregister() {
    if (!handle_) return ERROR_SUCCESS;
    const ULONG result = UnregisterTraceGuids(handle_);
    handle_ = 0;
    return result;
  }
  TRACEHANDLE handle() const { return handle_; }
  TRACEHANDLE logger() const { return logger_; }
  const std::vector<Request>& requests() const { return requests_; }
  // Runs inside the callback, after the request is recorded.
  std::function<void(const Request&)> onRequest;

 private:
  static ULONG WINAPI Callback(WMIDPREQUESTCODE code, PVOID context, ULONG* bufferSize, PVOID buffer) {
    auto* self = static_cast<Provider*>(context);
    Request request{code, 0, 0, 0, bufferSize ? *bufferSize : 0};
    if (code != WMI_ENABLE_EVENTS && code != WMI_DISABLE_EVENTS) return ERROR_INVALID_PARAMETER;
    request.logger = GetTraceLoggerHandle(buffer);
    request.level = GetTraceEnableLevel(request.logger);
    request.flags = GetTraceEnableFlags(request.logger);
    self->logger_ = code == WMI_ENABLE_EVENTS ? request.logger : 0;
    self->requests_.push_back(request);
    if (self->onRequest) self->onRequest(request);
    return ERROR_SUCCESS;
  }

  GUID control_;
  TRACEHANDLE handle_ = 0;
  TRACEHANDLE logger_ = 0;
  std::vector<Request> requests_;
};

}  // namespace trace_test

#endif
