// The module's trace provider. A record carries its unit's message identifier, a number and
// typed arguments, never text. Every record is a named row of module/trace_points.def; a trace
// point whose category is off evaluates nothing.
#ifndef BRIMLOFT_MODULE_TRACE_H
#define BRIMLOFT_MODULE_TRACE_H

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <type_traits>

#include "module/trace_unit.h"

namespace brimloft {

constexpr ULONG TRACE_ERROR = 0x1;
constexpr ULONG TRACE_FLOW = 0x4;
constexpr ULONG TRACE_DETAIL = 0x8;

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

// How a trace point's argument is encoded (see Arg) and printed.
enum ArgType : unsigned char {
  Int32,    // 32 bits, printed in decimal
  HResult,  // 32 bits, printed as 0xXXXXXXXX
  Double,   // 64-bit floating point
  Narrow,   // NUL-terminated 8-bit text
  Wide,     // NUL-terminated UTF-16 text
};

// One row of the table: a record's unit, number, category and text, its argument types in order.
template <ArgType... Types>
struct Point {
  TraceUnit unit;
  USHORT number;
  ULONG category;
  const char* text;
  static constexpr std::array<ArgType, sizeof...(Types)> kArgs{{Types...}};
};

#define BRIMLOFT_TRACE_ARG_TYPES(...) __VA_ARGS__
#define BRIMLOFT_TRACE_POINT(name, unit, number, category, types, text) \
  inline constexpr Point<BRIMLOFT_TRACE_ARG_TYPES types> name{TraceUnit::unit, number, category, text};
#include "module/trace_points.def"
#undef BRIMLOFT_TRACE_POINT

// Writes a record with bare numbers and whatever arguments; the code writes named points.
void Write(TraceUnit unit, USHORT number) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b, const Arg& c) noexcept;
void Write(TraceUnit unit, USHORT number, const Arg& a, const Arg& b, const Arg& c, const Arg& d) noexcept;

// One argument as its point's row declares it; what does not fit the row fails to compile.
template <ArgType Type, class Value>
Arg Encode(const Value& value) {
  if constexpr (Type == Int32 || Type == HResult) {
    static_assert(std::is_integral_v<Value>, "the trace point takes an integer here");
    return Arg(static_cast<std::int32_t>(value));
  } else if constexpr (Type == Double) {
    static_assert(std::is_floating_point_v<Value>, "the trace point takes a floating-point number here");
    return Arg(static_cast<double>(value));
  } else if constexpr (Type == Narrow) {
    static_assert(std::is_convertible_v<const Value&, const char*> || std::is_same_v<Value, std::string>,
                  "the trace point takes narrow text here");
    return Arg(value);
  } else {
    static_assert(std::is_convertible_v<const Value&, const wchar_t*> || std::is_same_v<Value, std::wstring>,
                  "the trace point takes wide text here");
    return Arg(value);
  }
}

template <ArgType... Types, class... Values>
void Write(const Point<Types...>& point, const Values&... values) {
  static_assert(sizeof...(Types) == sizeof...(Values), "the trace point takes as many arguments as its row names");
  if constexpr (sizeof...(Types) == sizeof...(Values)) Write(point.unit, point.number, Encode<Types>(values)...);
}

}  // namespace trace
}  // namespace brimloft

// BRIMLOFT_TRACE(trace::PrinterNameSet, "Setting printer name as ", name);
// The point's row gives the unit, number and category. Tracing never throws: a record that cannot
// be encoded (out of memory) is dropped.
#define BRIMLOFT_TRACE(point, ...)                                           \
  do {                                                                       \
    const auto& brimloftTracePoint_ = (point);                               \
    if (::brimloft::trace::IsEnabled(brimloftTracePoint_.category)) {        \
      try {                                                                  \
        ::brimloft::trace::Write(brimloftTracePoint_, ##__VA_ARGS__);        \
      } catch (...) {                                                        \
      }                                                                      \
    }                                                                        \
  } while (0)

#endif
