// How every tool reads its command line, and how a host failure is said.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/failures/host_error.h"
#include "host/tools/arguments.h"

namespace brimloft::host {
namespace {

// The options of a tool: -p/--printer and --output take values, --list-options does not. What they
// take is recorded in order; then the operands, or what was asked, or the usage error's words.
std::string Read(const std::vector<const char*>& args) {
  std::string taken;
  const auto record = [&taken](const char* name) {
    return [&taken, name](const std::string& value) { taken += std::string(name) + "=" + value + " "; };
  };
  const std::vector<Option> options = {
      {'p', "printer", true, record("printer")},
      {'\0', "output", true, record("output")},
      {'\0', "list-options", false, record("list")},
  };
  std::vector<const char*> argv = {"tool"};
  argv.insert(argv.end(), args.begin(), args.end());
  try {
    const CommandLine line = ParseArguments(static_cast<int>(argv.size()), argv.data(), options);
    if (line.ask == CommandLine::Ask::Help) return taken + "help";
    if (line.ask == CommandLine::Ask::Version) return taken + "version";
    for (const std::string& operand : line.operands) taken += "[" + operand + "]";
    return taken;
  } catch (const UsageError& e) {
    return taken + "usage error: " + e.what();
  }
}

TEST(Arguments, ReadsEveryFormOfTheCommandLine) {
  const struct {
    const char* name;
    std::vector<const char*> args;
    std::string read;
  } cases[] = {
      {"nothing", {}, ""},
      {"operands in order", {"a.xps", "b.xps"}, "[a.xps][b.xps]"},
      {"short option, value next", {"-p", "RX1P", "a.xps"}, "printer=RX1P [a.xps]"},
      {"short option, value attached", {"-pRX1P"}, "printer=RX1P "},
      {"long option, value next", {"--printer", "RX1P"}, "printer=RX1P "},
      {"long option, value after =", {"--output=o.bin"}, "output=o.bin "},
      {"an empty value after =", {"--output="}, "output= "},
      {"a value that starts with a dash", {"--output", "-"}, "output=- "},
      {"options after operands", {"a.xps", "--list-options"}, "list= [a.xps]"},
      {"repeated, in order", {"-p", "A", "--printer=B"}, "printer=A printer=B "},
      {"- is an operand", {"-"}, "[-]"},
      {"-- ends the options", {"--", "--output", "-p"}, "[--output][-p]"},
      {"--help answers at once", {"-p", "A", "--help", "--bogus"}, "printer=A help"},
      {"-h is --help", {"-h"}, "help"},
      {"--version answers at once", {"--version", "--bogus"}, "version"},
      {"an unknown long option", {"--frobnicate", "x"}, "usage error: unknown option --frobnicate"},
      {"an unknown long option with a value", {"--frob=1"}, "usage error: unknown option --frob"},
      {"an unknown short option", {"-x"}, "usage error: unknown option -x"},
      {"an unknown single-dash word", {"-frobnicate"}, "usage error: unknown option -frobnicate"},
      {"a value missing at the end", {"a.xps", "--output"}, "usage error: option --output needs a value"},
      {"a short value missing", {"-p"}, "usage error: option -p needs a value"},
      {"a value given to a flag", {"--list-options=yes"}, "usage error: option --list-options takes no value"},
      {"a value given to --help", {"--help=me"}, "usage error: option --help takes no value"},
      {"an error stops the reading", {"-p", "A", "--bogus", "-p", "B"}, "printer=A usage error: unknown option --bogus"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.read, Read(c.args)) << c.name;
}

TEST(HostFailure, IsSaidWithItsStepItsWordsAndItsResultOnce) {
  const struct {
    const char* name;
    HostError error;
    std::string said;
  } cases[] = {
      {"words and the result's name", HostError(HrCorruptData(), "offset 3: unknown command"),
       "offset 3: unknown command (HRESULT_FROM_WIN32(ERROR_INVALID_DATA) (0x8007000D))"},
      {"the step first", HostError(E_INVALIDARG, "bad value", "page 2"), "page 2: bad value (E_INVALIDARG (0x80070057))"},
      {"words that name the result already",
       HostError(E_ACCESSDENIED, "StartOperation returned " + HexHr(E_ACCESSDENIED) + ": no"),
       "StartOperation returned E_ACCESSDENIED (0x80070005): no"},
      {"a result without a name", HostError(static_cast<HRESULT>(0x80991234), "odd"),
       "odd (0x80991234 (an HRESULT without a name here))"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.said, Said(c.error)) << c.name;
}

}  // namespace
}  // namespace brimloft::host
