// The module's trace provider on the platform's event tracing service.
#include "module/trace.h"

#include <evntrace.h>

#include <atomic>

#include "module/trace_ids.h"

namespace brimloft {
namespace trace {
namespace {

// Each field is one word written by the control callback and read by every trace point; a
// reader that sees a stale value writes or skips one record, nothing else depends on it.
struct TraceState {
  std::atomic<bool> registered{false};
  std::atomic<TRACEHANDLE> registration{0};
  std::atomic<TRACEHANDLE> logger{0};
  std::atomic<UCHAR> level{0};
  std::atomic<ULONG> flags{0};
};

TraceState g_state;

constexpr ULONG kRecordFlags =
    TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;

ULONG WINAPI ControlCallback(WMIDPREQUESTCODE request, PVOID, ULONG*, PVOID buffer) {
  switch (request) {
    case WMI_ENABLE_EVENTS: {
      const TRACEHANDLE logger = GetTraceLoggerHandle(buffer);
      g_state.level.store(GetTraceEnableLevel(logger), std::memory_order_relaxed);
      g_state.flags.store(GetTraceEnableFlags(logger), std::memory_order_relaxed);
      g_state.logger.store(logger, std::memory_order_relaxed);
      return ERROR_SUCCESS;
    }
    case WMI_DISABLE_EVENTS:
      g_state.logger.store(0, std::memory_order_relaxed);
      g_state.level.store(0, std::memory_order_relaxed);
      g_state.flags.store(0, std::memory_order_relaxed);
      return ERROR_SUCCESS;
    default:
      return ERROR_INVALID_PARAMETER;
  }
}

// Wide text as UTF-16 bytes, whatever the width of wchar_t.
std::string Utf16Bytes(const wchar_t* s) {
  std::string bytes;
  auto put = [&bytes](unsigned unit) {
    bytes.push_back(static_cast<char>(unit & 0xFF));
    bytes.push_back(static_cast<char>(unit >> 8));
  };
  for (; *s; ++s) {
    const auto c = static_cast<unsigned long>(*s);
    if constexpr (sizeof(wchar_t) > 2) {
      if (c >= 0x10000) {
        put(0xD800 + ((c - 0x10000) >> 10));
        put(0xDC00 + ((c - 0x10000) & 0x3FF));
        continue;
      }
    }
    put(static_cast<unsigned>(c));
  }
  put(0);
  return bytes;
}

template <class T>
std::string RawBytes(T value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

const GUID kControlGuid = trace_ids::kControl;

const GUID& MessageGuid(TraceUnit unit) noexcept { return trace_ids::MessageGuidOf(unit); }

void Start(const char*) noexcept {
  TRACE_GUID_REGISTRATION classRegistration{&trace_ids::kControl, nullptr};
  TRACEHANDLE registration = 0;
  const ULONG status = RegisterTraceGuidsA(&ControlCallback, nullptr, &trace_ids::kControl, 1,
                                           &classRegistration, nullptr, nullptr, &registration);
  if (status != ERROR_SUCCESS) return;
  g_state.registration.store(registration, std::memory_order_relaxed);
  g_state.registered.store(true, std::memory_order_relaxed);
}

void Stop() noexcept {
  if (!g_state.registered.exchange(false)) return;
  UnregisterTraceGuids(g_state.registration.exchange(0));
  // An unregistered provider hears no disable: without this, the next registration would start
  // out enabled with the last session's flags and logger, which may be gone.
  g_state.logger.store(0, std::memory_order_relaxed);
  g_state.level.store(0, std::memory_order_relaxed);
  g_state.flags.store(0, std::memory_order_relaxed);
}

bool IsEnabled(ULONG category) noexcept {
  return g_state.registered.load(std::memory_order_relaxed) &&
         (g_state.flags.load(std::memory_order_relaxed) & category) != 0;
}

Arg::Arg(int v) : bytes_(RawBytes(static_cast<std::int32_t>(v))) {}
Arg::Arg(long v) : bytes_(RawBytes(static_cast<std::int32_t>(v))) {}
Arg::Arg(unsigned int v) : bytes_(RawBytes(static_cast<std::uint32_t>(v))) {}
Arg::Arg(unsigned long v) : bytes_(RawBytes(static_cast<std::uint32_t>(v))) {}
Arg::Arg(double v) : bytes_(RawBytes(v)) {}
Arg::Arg(const char* s) : bytes_(s ? s : "NULL") { bytes_.push_back('\0'); }
Arg::Arg(const std::string& s) : Arg(s.c_str()) {}
Arg::Arg(const wchar_t* s) : bytes_(Utf16Bytes(s == nullptr ? L"NULL" : (*s == 0 ? L"<NULL>" : s))) {}
Arg::Arg(const std::wstring& s) : Arg(s.c_str()) {}

namespace {
const GUID* Guid(TraceUnit unit) { return &MessageGuid(unit); }
TRACEHANDLE Logger() { return g_state.logger.load(std::memory_order_relaxed); }
}  // namespace

void Write(TraceUnit unit, USHORT number) noexcept {
  TraceMessage(Logger(), kRecordFlags, Guid(unit), number, nullptr);
}
void Write(TraceUnit unit, USHORT number, const Arg& a) noexcept {
  TraceMessage(Logger(), kRecordFlags, Guid(unit), number, a.data(), a.size(), nullptr);
}
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b) noexcept {
  TraceMessage(Logger(), kRecordFlags, Guid(unit), number, a.data(), a.size(), b.data(), b.size(), nullptr);
}
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b, const Arg& c) noexcept {
  TraceMessage(Logger(), kRecordFlags, Guid(unit), number, a.data(), a.size(), b.data(), b.size(), c.data(),
               c.size(), nullptr);
}
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b, const Arg& c, const Arg& d) noexcept {
  TraceMessage(Logger(), kRecordFlags, Guid(unit), number, a.data(), a.size(), b.data(), b.size(), c.data(),
               c.size(), d.data(), d.size(), nullptr);
}

}  // namespace trace
}  // namespace brimloft
