// Collects the module's trace records in memory for one test.
#ifndef BRIMLOFT_TESTS_FAKES_TRACE_CAPTURE_H
#define BRIMLOFT_TESTS_FAKES_TRACE_CAPTURE_H

#include <platform/trace_controller.h>

#include "module/trace.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace brimloft::fakes {

class TraceCapture {
 public:
  TraceCapture() : session_(platform::trace::Session::StartInMemory()) {
    session_->Enable(trace::kControlGuid, 5, TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL);
    trace::Start("KelmoranBrimloftFilter");
  }
  ~TraceCapture() {
    trace::Stop();
    session_->Stop();
  }
  TraceCapture(const TraceCapture&) = delete;
  TraceCapture& operator=(const TraceCapture&) = delete;

  // The records of one unit, in order.
  std::vector<platform::trace::Record> Of(TraceUnit unit) const {
    std::vector<platform::trace::Record> found;
    for (auto& record : session_->Records()) {
      if (record.messageGuid == trace::MessageGuid(unit)) found.push_back(record);
    }
    return found;
  }
  std::vector<USHORT> Numbers(TraceUnit unit) const {
    std::vector<USHORT> numbers;
    for (const auto& record : Of(unit)) numbers.push_back(record.number);
    return numbers;
  }

  // Argument decoders of the record encoding.
  static int Int(const std::string& arg) {
    int value = 0;
    std::memcpy(&value, arg.data(), std::min(arg.size(), sizeof value));
    return value;
  }
  static double Double(const std::string& arg) {
    double value = 0;
    std::memcpy(&value, arg.data(), std::min(arg.size(), sizeof value));
    return value;
  }
  static std::string Narrow(const std::string& arg) { return std::string(arg.c_str()); }
  static std::wstring Wide(const std::string& arg) {
    std::wstring text;
    for (size_t i = 0; i + 1 < arg.size(); i += 2) {
      const unsigned unit = static_cast<unsigned char>(arg[i]) | static_cast<unsigned char>(arg[i + 1]) << 8;
      if (unit == 0) break;
      text += static_cast<wchar_t>(unit);
    }
    return text;
  }

 private:
  std::unique_ptr<platform::trace::Session> session_;
};

}  // namespace brimloft::fakes

#endif
