// The trace units: the source units that report, each with its own message identifier.
#ifndef BRIMLOFT_MODULE_TRACE_UNIT_H
#define BRIMLOFT_MODULE_TRACE_UNIT_H

namespace brimloft {

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

// Every unit, in the order above: what a trace reader knows.
constexpr TraceUnit kTraceUnits[] = {
    TraceUnit::dllentry, TraceUnit::UnknownBase, TraceUnit::filtertypes,
    TraceUnit::BrimloftFilter, TraceUnit::PThandler, TraceUnit::omconvertor,
    TraceUnit::rasinterface, TraceUnit::BrimloftBitmapHandler, TraceUnit::throw_hr,
    TraceUnit::trace_failure,
};

// The unit's name as the failure records carry it.
constexpr const char* UnitName(TraceUnit unit) noexcept {
  switch (unit) {
    case TraceUnit::dllentry: return "dllentry";
    case TraceUnit::UnknownBase: return "UnknownBase";
    case TraceUnit::filtertypes: return "filtertypes";
    case TraceUnit::BrimloftFilter: return "BrimloftFilter";
    case TraceUnit::PThandler: return "PThandler";
    case TraceUnit::omconvertor: return "omconvertor";
    case TraceUnit::rasinterface: return "rasinterface";
    case TraceUnit::BrimloftBitmapHandler: return "BrimloftBitmapHandler";
    case TraceUnit::throw_hr: return "throw_hr";
    case TraceUnit::trace_failure: return "trace_failure";
  }
  return "";
}

// The host's tools and the tests report under names of their own.
constexpr const char* UnitName(const char* name) noexcept { return name; }

}  // namespace brimloft

#endif
