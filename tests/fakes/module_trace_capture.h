// Trace records as a test sees them: an in-memory session enabled for the module's provider, and
// the argument encodings spelled out byte by byte.
#ifndef BRIMLOFT_TESTS_FAKES_MODULE_TRACE_CAPTURE_H
#define BRIMLOFT_TESTS_FAKES_MODULE_TRACE_CAPTURE_H

#include <windows.h>
#include <evntrace.h>

#include <platform/trace_controller.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "module/trace.h"
#include "module/trace_ids.h"

namespace brimloft {
namespace testing {

using platform::trace::Record;

// Registers the provider of the module code linked into the test program for the scope's life
// (in the module itself the loader does this at process attach).
class ScopedProvider {
 public:
  ScopedProvider() { trace::Start("KelmoranBrimloftFilter"); }
  ~ScopedProvider() { trace::Stop(); }
  ScopedProvider(const ScopedProvider&) = delete;
  ScopedProvider& operator=(const ScopedProvider&) = delete;
};

// A session collecting the module's records of the given categories until destroyed.
class TraceCapture {
 public:
  explicit TraceCapture(ULONG flags, UCHAR level = 5) : flags_(flags), level_(level) { Restart(); }
  // Drops what was collected: a new session with the same categories. (Only one session at a time
  // may enable the provider.)
  void Restart() {
    session_.reset();
    session_ = platform::trace::Session::StartInMemory();
    EXPECT_EQ(ULONG(ERROR_SUCCESS), session_->Enable(trace_ids::kControl, level_, flags_));
  }
  std::vector<Record> Records() const { return session_->Records(); }
  // The records of one unit, in order.
  std::vector<Record> Of(const GUID& unit) const {
    std::vector<Record> out;
    for (auto& r : session_->Records())
      if (r.messageGuid == unit) out.push_back(r);
    return out;
  }
  // The numbers of one unit's records, in order.
  std::vector<int> NumbersOf(const GUID& unit) const {
    std::vector<int> out;
    for (auto& r : Of(unit)) out.push_back(r.number);
    return out;
  }
  platform::trace::Session& Session() { return *session_; }

 private:
  ULONG flags_;
  UCHAR level_;
  std::unique_ptr<platform::trace::Session> session_;
};

// A narrow string argument: its bytes and the terminating NUL.
inline std::string NarrowArg(const char* s) { return std::string(s) + '\0'; }

// A 32-bit argument, little-endian.
inline std::string Int32Arg(std::uint32_t v) {
  std::string out;
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
  return out;
}

// A wide string argument written from ASCII: UTF-16LE units and a terminating zero unit.
inline std::string Utf16Arg(const char* ascii) {
  std::string out;
  for (const char* p = ascii;; ++p) {
    out.push_back(*p);
    out.push_back('\0');
    if (*p == 0) break;
  }
  return out;
}

}  // namespace testing
}  // namespace brimloft

#endif
