// brimloft-tracefmt: prints a trace file as text, one record a line.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "host/trace/trace_file.h"
#include "host/trace/trace_messages.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
    std::fprintf(stderr,
                 "usage: brimloft-tracefmt TRACEFILE\n"
                 "Prints every record: sequence, UTC time, process/thread, unit, number, message.\n");
    return 2;
  }
  // The records before a fault are printed: a trace cut short is still worth reading.
  std::vector<platform::trace::Record> records;
  std::string error;
  try {
    host::ParseTraceFile(host::ReadTraceBytes(argv[1]), records);
  } catch (const std::exception& e) {
    error = e.what();
  }
  for (const auto& record : records) std::printf("%s\n", host::FormatTraceRecord(record).c_str());
  if (!error.empty()) {
    std::fflush(stdout);
    std::fprintf(stderr, "brimloft-tracefmt: %s: %s\n", argv[1], error.c_str());
    return 1;
  }
  if (std::fflush(stdout) != 0) {
    std::perror("brimloft-tracefmt: stdout");
    return 1;
  }
  return 0;
}
