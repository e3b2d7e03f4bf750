#include "host/tools/tool_main.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>

#include "host/failures/host_error.h"

namespace brimloft::host {
namespace {

int Failed(const Tool& tool, const std::string& words) {
  std::fflush(stdout);  // what the tool printed before it failed comes first
  std::fprintf(stderr, "%s: %s\n", tool.name, words.c_str());
  return 1;
}

}  // namespace

int RunTool(const Tool& tool, int argc, char** argv, const std::vector<Option>& options,
            const std::function<int(const std::vector<std::string>&)>& work) {
  int status = 0;
  try {
    const CommandLine line = ParseArguments(argc, argv, options);
    if (line.ask == CommandLine::Ask::Help) {
      std::fputs(tool.usage, stdout);
    } else if (line.ask == CommandLine::Ask::Version) {
      std::printf("%s %s\n", tool.name, BRIMLOFT_VERSION);
    } else {
      status = work(line.operands);
    }
  } catch (const UsageError& e) {
    std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", tool.name, e.what(), tool.name);
    return 2;
  } catch (const HostError& e) {
    return Failed(tool, Said(e));
  } catch (const std::bad_alloc&) {
    return Failed(tool, "out of memory");
  } catch (const std::exception& e) {
    return Failed(tool, e.what());
  }
  if (std::fflush(stdout) != 0) return Failed(tool, std::string("standard output: ") + std::strerror(errno));
  return status;
}

}  // namespace brimloft::host
