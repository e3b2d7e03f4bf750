// brimloft-xpspack: packs a folder of XPS parts into an .xps file.
#include <string>
#include <vector>

#include "host/package/package_writer.h"
#include "host/tools/tool_main.h"

namespace {

const char* const kUsage =
    "usage: brimloft-xpspack [--part /PART=FILE]... [--pieces BYTES] FOLDER OUT.xps\n"
    "Packs the files below FOLDER as the parts of an XPS package. --part adds a file\n"
    "from elsewhere (a part ending in .odttf is obfuscated on the way); --pieces stores\n"
    "larger parts as interleaved pieces.\n"
    "\n"
    "  --part /PART=FILE  adds FILE as the part /PART, repeatable\n"
    "  --pieces BYTES     stores parts larger than BYTES as pieces of that size\n"
    "  --help             shows this text\n"
    "  --version          shows the version\n"
    "\n"
    "Exit status: 0 written, 1 a file could not be read or the package written, 2 wrong usage.\n";

std::size_t PieceSize(const std::string& value) {
  if (value.empty() || value.size() > 12 || value.find_first_not_of("0123456789") != std::string::npos)
    throw host::UsageError("--pieces wants a number of bytes, not " + value);
  return std::stoull(value);
}

}  // namespace

int main(int argc, char** argv) {
  host::PackOptions pack;
  const std::vector<host::Option> options = {
      {'\0', "part", true,
       [&](const std::string& value) {
         const size_t eq = value.find('=');
         if (eq == std::string::npos) throw host::UsageError("--part wants PARTNAME=FILE, not " + value);
         pack.extraParts.emplace_back(value.substr(0, eq), value.substr(eq + 1));
       }},
      {'\0', "pieces", true, [&](const std::string& value) { pack.pieceSize = PieceSize(value); }},
  };
  return host::RunTool({"brimloft-xpspack", kUsage}, argc, argv, options, [&](const std::vector<std::string>& operands) {
    if (operands.size() != 2) throw host::UsageError("give a folder and an output file");
    host::PackFolder(operands[0], operands[1], pack);
    return 0;
  });
}
