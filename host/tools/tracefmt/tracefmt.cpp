// brimloft-tracefmt: prints a trace file as text, one record a line.
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "host/failures/host_error.h"
#include "host/tools/tool_main.h"
#include "host/trace/trace_file.h"
#include "host/trace/trace_messages.h"

namespace {

const char* const kUsage =
    "usage: brimloft-tracefmt TRACEFILE\n"
    "Prints every record: sequence, UTC time, process/thread, unit, number, message.\n"
    "\n"
    "  --help     shows this text\n"
    "  --version  shows the version\n"
    "\n"
    "Exit status: 0 printed, 1 an unreadable or damaged trace file (the records before the damage\n"
    "are printed), 2 wrong usage.\n";

int Print(const std::vector<std::string>& operands) {
  if (operands.size() != 1)
    throw host::UsageError(operands.empty() ? "no trace file given" : "more than one trace file given");
  // The records before a fault are printed: a trace cut short is still worth reading.
  const std::string bytes = host::ReadTraceBytes(operands[0]);
  std::vector<platform::trace::Record> records;
  std::optional<host::HostError> damage;
  try {
    host::ParseTraceFile(bytes, records);
  } catch (const host::HostError& e) {
    damage.emplace(e.hr(), e.what(), operands[0]);
  }
  for (const auto& record : records) std::printf("%s\n", host::FormatTraceRecord(record).c_str());
  if (damage) throw *damage;
  return 0;
}

}  // namespace

int main(int argc, char** argv) { return host::RunTool({"brimloft-tracefmt", kUsage}, argc, argv, {}, Print); }
