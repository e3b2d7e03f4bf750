// The formatting of trace records as text lines. Records carry only a unit's message identifier, a
// number and typed arguments; the texts come from the module's trace point table
// (module/trace_points.def).
#ifndef BRIMLOFT_HOST_TRACE_MESSAGES_H
#define BRIMLOFT_HOST_TRACE_MESSAGES_H

#include "host/host_namespace.h"

#include <platform/trace_controller.h>

#include "module/trace.h"

#include <string>
#include <vector>

namespace brimloft::host {

// An argument's type as the module's trace point table names it.
using TraceArg = brimloft::trace::ArgType;

struct TracePoint {
  const char* unit;
  USHORT number;
  // Text in which %1, %2, ... stand for the decoded arguments.
  const char* text;
  std::vector<TraceArg> args;
};

// The unit name of a message identifier, or null for an unknown one.
const char* TraceUnitName(const GUID& messageGuid);
// The trace point of a message identifier and number, or null.
const TracePoint* FindTracePoint(const GUID& messageGuid, USHORT number);
// Every known trace point.
const std::vector<TracePoint>& AllTracePoints();

// One record as one text line (no newline): sequence, UTC time, process/thread, unit, number and the
// message with its arguments. A record of an unknown trace point, or whose arguments do not match
// its trace point, is printed with its identifier and arguments in hex. Never throws on content.
std::string FormatTraceRecord(const platform::trace::Record& record);

// The argument decodings, exposed for tests. Each returns false when the bytes do not fit the type.
bool DecodeTraceArg(TraceArg type, const std::string& bytes, std::string& text);

}  // namespace brimloft::host

#endif
