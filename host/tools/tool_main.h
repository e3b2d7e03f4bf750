// What every brimloft tool's main does around its own work, so that they all speak one way:
// --help prints the usage on standard output (exit 0), --version "<tool> <version>" (exit 0), a
// usage error "<tool>: <what is wrong>" and "Try '<tool> --help'." on standard error (exit 2), a
// failure "<tool>: <step>: <words> (<HRESULT>)" on standard error (exit 1).
#ifndef BRIMLOFT_HOST_TOOLS_TOOL_MAIN_H
#define BRIMLOFT_HOST_TOOLS_TOOL_MAIN_H

#include "host/host_namespace.h"

#include <functional>
#include <string>
#include <vector>

#include "host/tools/arguments.h"

namespace brimloft::host {

struct Tool {
  const char* name;
  const char* usage;  // the whole --help text
};

// Reads the command line with options and runs work with its operands; work's exit status is the
// tool's. UsageError, HostError and any other exception end in the tool's words as above. What
// work printed on standard output that cannot be written is a failure too.
int RunTool(const Tool& tool, int argc, char** argv, const std::vector<Option>& options,
            const std::function<int(const std::vector<std::string>& operands)>& work);

}  // namespace brimloft::host

#endif
