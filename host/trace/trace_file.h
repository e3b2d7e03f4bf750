// Reading trace files written by a tracing session (format in <platform/trace_controller.h>).
#ifndef BRIMLOFT_HOST_TRACE_FILE_H
#define BRIMLOFT_HOST_TRACE_FILE_H

#include "host/host_namespace.h"

#include <platform/trace_controller.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace brimloft::host {

// A file that is not a trace file, has an unsupported version, or is truncated or inconsistent.
// The message names the byte offset of the fault.
class TraceFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the bytes of a whole trace file. Throws TraceFileError.
std::vector<platform::trace::Record> ParseTraceFile(const std::string& bytes);
// The same, appending to records as it goes, so that the records before a fault stay usable.
void ParseTraceFile(const std::string& bytes, std::vector<platform::trace::Record>& records);
// Reads a whole file. Throws TraceFileError when it cannot be opened or read.
std::string ReadTraceBytes(const std::string& path);
// Reads and parses a trace file. Throws TraceFileError, also when the file cannot be read.
std::vector<platform::trace::Record> ReadTraceFile(const std::string& path);

}  // namespace brimloft::host

#endif
