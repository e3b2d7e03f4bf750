#include "host/tools/arguments.h"

namespace brimloft::host {
namespace {

const Option* FindLong(const std::vector<Option>& options, const std::string& name) {
  for (const Option& o : options)
    if (o.longName != nullptr && name == o.longName) return &o;
  return nullptr;
}

const Option* FindShort(const std::vector<Option>& options, char name) {
  for (const Option& o : options)
    if (o.shortName != '\0' && o.shortName == name) return &o;
  return nullptr;
}

}  // namespace

CommandLine ParseArguments(int argc, const char* const* argv, const std::vector<Option>& options) {
  CommandLine line;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--") {
      line.operands.insert(line.operands.end(), argv + i + 1, argv + argc);
      break;
    }
    if (arg.size() < 2 || arg[0] != '-') {
      line.operands.push_back(arg);
      continue;
    }
    const bool isLong = arg[1] == '-';
    const size_t eq = isLong ? arg.find('=') : std::string::npos;
    const std::string name = isLong ? arg.substr(0, eq) : arg.substr(0, 2);
    if (name == "--help" || name == "-h" || name == "--version") {
      if (eq != std::string::npos || (!isLong && arg.size() > 2)) throw UsageError("option " + name + " takes no value");
      line.ask = name == "--version" ? CommandLine::Ask::Version : CommandLine::Ask::Help;
      return line;
    }
    const Option* option = isLong ? FindLong(options, name.substr(2)) : FindShort(options, arg[1]);
    if (option == nullptr) throw UsageError("unknown option " + (isLong ? name : arg));
    // The value: after "=" or attached to a short option, else the next argument.
    const bool attached = isLong ? eq != std::string::npos : arg.size() > 2;
    if (!option->takesValue) {
      if (attached) throw UsageError("option " + name + " takes no value");
      option->take("");
      continue;
    }
    if (attached) {
      option->take(isLong ? arg.substr(eq + 1) : arg.substr(2));
    } else {
      if (i + 1 >= argc) throw UsageError("option " + name + " needs a value");
      option->take(argv[++i]);
    }
  }
  return line;
}

}  // namespace brimloft::host
