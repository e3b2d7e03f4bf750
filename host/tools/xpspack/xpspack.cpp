// brimloft-xpspack: packs a folder of XPS parts into an .xps file.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "host/failures/host_error.h"
#include "host/package/package_writer.h"


int main(int argc, char** argv) {
  host::PackOptions options;
  std::vector<std::string> positional;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if ((arg == "--part" || arg == "--pieces") && i + 1 < argc) {
      const std::string value = argv[++i];
      if (arg == "--pieces") {
        options.pieceSize = std::strtoul(value.c_str(), nullptr, 10);
        continue;
      }
      const size_t eq = value.find('=');
      if (eq == std::string::npos) {
        std::fprintf(stderr, "brimloft-xpspack: --part wants PARTNAME=FILE, not %s\n", value.c_str());
        return 2;
      }
      options.extraParts.emplace_back(value.substr(0, eq), value.substr(eq + 1));
    } else if (arg == "--help" || arg[0] == '-') {
      std::fprintf(stderr,
                   "usage: brimloft-xpspack [--part /PART=FILE]... [--pieces BYTES] FOLDER OUT.xps\n"
                   "Packs the files below FOLDER as the parts of an XPS package. --part adds a file\n"
                   "from elsewhere (a part ending in .odttf is obfuscated on the way); --pieces stores\n"
                   "larger parts as interleaved pieces.\n");
      return arg == "--help" ? 0 : 2;
    } else {
      positional.push_back(arg);
    }
  }
  if (positional.size() != 2) {
    std::fprintf(stderr, "brimloft-xpspack: give a folder and an output file (see --help)\n");
    return 2;
  }
  try {
    host::PackFolder(positional[0], positional[1], options);
  } catch (const host::HostError& e) {
    std::fprintf(stderr, "brimloft-xpspack: %s\n", e.what());
    return 1;
  }
  return 0;
}
