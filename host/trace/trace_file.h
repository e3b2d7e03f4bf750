// Reading trace files written by a tracing session (format in <platform/trace_controller.h>).
#ifndef BRIMLOFT_HOST_TRACE_FILE_H
#define BRIMLOFT_HOST_TRACE_FILE_H

#include "host/host_namespace.h"

#include <platform/trace_controller.h>

#include <string>
#include <vector>

#include "host/failures/host_error.h"

namespace brimloft::host {

// Parses the bytes of a whole trace file. Throws HostError (HrCorruptData) for a file that is not a
// trace file, has an unsupported version, or is truncated or inconsistent, naming the byte offset.
std::vector<platform::trace::Record> ParseTraceFile(const std::string& bytes);
// The same, appending to records as it goes, so that the records before a fault stay usable.
void ParseTraceFile(const std::string& bytes, std::vector<platform::trace::Record>& records);
// Reads a whole file. Throws HostError (HrFromErrno) when it cannot be opened or read.
std::string ReadTraceBytes(const std::string& path);
// Reads and parses a trace file. Throws HostError, also when the file cannot be read.
std::vector<platform::trace::Record> ReadTraceFile(const std::string& path);

}  // namespace brimloft::host

#endif
