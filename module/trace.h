// The module's trace provider. A record carries its unit's message identifier, a number and
// typed arguments, never text. A trace point whose category is off evaluates nothing.
#ifndef BRIMLOFT_MODULE_TRACE_H
#define BRIMLOFT_MODULE_TRACE_H

#include <windows.h>

#include <string>

namespace brimloft {

constexpr ULONG TRACE_ERROR = 0x1;
constexpr ULONG TRACE_FLOW = 0x4;
constexpr ULONG TRACE_DETAIL = 0x8;

// The trace units; each has its own message identifier.
enum class TraceUnit {
  dllentry,
  UnknownBase,
  filtertypes,
  BrimloftFilter,
  PThandler,
  omconvertor,
  rasinterface,
  BrimloftBitmapHandler,
  throw_hr,
  trace_failure,
};

namespace trace {

// The provider's control identifier, which a trace controller enables.
extern const GUID kControlGuid;
// The message identifier of a unit's records.
const GUID& MessageGuid(TraceUnit unit) noexcept;

// Registers the provider with the tracing service; the application name stays in the module.
void Start(const char* applicationName) noexcept;
// Unregisters the provider.
void Stop() noexcept;
// True while registered and the controller has enabled the category.
bool IsEnabled(ULONG category) noexcept;

// One argument in its record encoding: 32-bit integers, doubles, NUL-terminated narrow strings
// ("NULL" for null) and NUL-terminated UTF-16 strings ("NULL" for null, "<NULL>" for empty).
class Arg {
 public:
  Arg(int v);
  Arg(long v);
  Arg(unsigned int v);
  Arg(unsigned long v);
  Arg(double v);
  Arg(const char* s);
  Arg(const std::string& s);
  Arg(const wchar_t* s);
  Arg(const std::wstring& s);
  const void* data() const noexcept { return bytes_.data(); }
  SIZE_T size() const noexcept { return bytes_.size(); }

 private:
  std::string bytes_;
};

void Write(TraceUnit unit, USHORT number) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b, const Arg& c) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b, const Arg& c, const Arg& d) noexcept;

}  // namespace trace
}  // namespace brimloft

// BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 15, "Setting printer name as ", name);
// Tracing never throws: a record that cannot be encoded (out of memory) is dropped.
#define BRIMLOFT_TRACE(category, unit, number, ...)                                          \
  do {                                                                                       \
    if (::brimloft::trace::IsEnabled(::brimloft::category)) {                                \
      try {                                                                                  \
        ::brimloft::trace::Write(::brimloft::TraceUnit::unit, (number), ##__VA_ARGS__);      \
      } catch (...) {                                                                        \
      }                                                                                      \
    }                                                                                        \
  } while (0)

#endif
