// The command line of every brimloft tool, read one way: short options with their value attached or
// next ("-p RX2P", "-pRX2P"), long ones with "=" or next ("--output=F", "--output F"), "--" ends
// the options, "-" is an operand; --help and --version answer at once.
#ifndef BRIMLOFT_HOST_TOOLS_ARGUMENTS_H
#define BRIMLOFT_HOST_TOOLS_ARGUMENTS_H

#include "host/host_namespace.h"

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

namespace brimloft::host {

// The command line asks for something the tool does not take: the words say what.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct Option {
  char shortName;        // '\0': none
  const char* longName;  // without the dashes; nullptr: none
  bool takesValue;
  // Called in command-line order with the value ("" for a flag); throws UsageError for a bad one.
  std::function<void(const std::string& value)> take;
};

struct CommandLine {
  enum class Ask { Run, Help, Version };
  Ask ask = Ask::Run;
  std::vector<std::string> operands;
};

// Reads argv[1..argc). Throws UsageError for an unknown option, a missing value, or a value given
// to a flag. --help (-h) and --version stop the reading where they stand.
CommandLine ParseArguments(int argc, const char* const* argv, const std::vector<Option>& options);

}  // namespace brimloft::host

#endif
