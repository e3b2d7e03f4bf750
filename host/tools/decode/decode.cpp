// brimloft-decode: checks a printer command stream, prints what it holds and draws the paper.
// Exit status: 0 for a sound stream, 1 for an unreadable or malformed one, 2 for a usage error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "host/decoder/paper_png.h"
#include "host/decoder/stream_decoder.h"

namespace {

const char* const kUsage =
    "usage: brimloft-decode STREAM [--png FILE] [--width DOTS]\n"
    "Checks a printer command stream command by command, prints what it holds and how long the\n"
    "paper is, and draws the paper. STREAM \"-\" reads standard input.\n"
    "\n"
    "  --png FILE    draws the paper: white paper as wide as the head, black dots, a red dashed\n"
    "                line where it is cut fully and a blue one where it is cut partially\n"
    "  --width DOTS  the head's width (432, 576 or 832) for a stream that does not say it: band\n"
    "                mode, or raster blocks without a raster-mode prologue. A raster-mode prologue\n"
    "                says it itself; without either the paper is as wide as the narrowest head\n"
    "                that holds every dot\n"
    "  --help        shows this text\n"
    "\n"
    "Exit status: 0 a sound stream, 1 an unreadable or malformed one, 2 wrong usage.\n";

int UsageError(const std::string& message) {
  std::cerr << "brimloft-decode: " << message << "\nTry 'brimloft-decode --help'.\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input;
  std::string png;
  std::size_t width = 0;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--png" || arg == "--width") {
      if (++i >= argc) return UsageError("option " + arg + " needs a value");
      if (arg == "--png") {
        png = argv[i];
        continue;
      }
      const std::string value = argv[i];
      if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 4 ||
          !brimloft::host::IsHeadWidth(std::stoul(value))) {
        return UsageError("--width " + value + " is no head width: the heads print 432, 576 or 832 dots");
      }
      width = std::stoul(value);
    } else if (arg.size() > 1 && arg[0] == '-') {
      return UsageError("unknown option " + arg);
    } else if (input.empty()) {
      input = arg;
    } else {
      return UsageError("more than one stream given");
    }
  }
  if (input.empty()) return UsageError("no stream given");

  std::vector<std::uint8_t> bytes;
  if (input == "-") {
    bytes.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
  } else {
    std::ifstream file(input, std::ios::binary);
    if (!file) {
      std::cerr << "brimloft-decode: cannot open " << input << "\n";
      return 1;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
  }

  try {
    const auto decoded = brimloft::host::DecodeStream(bytes.data(), bytes.size(), width);
    std::cout << brimloft::host::FormatSummary(decoded);
    if (!png.empty()) brimloft::host::WritePaperPng(decoded.paper, png);
  } catch (const brimloft::host::StreamError& e) {
    std::cerr << "brimloft-decode: " << input << ": " << e.what() << "\n";
    return 1;
  } catch (const std::exception& e) {
    std::cerr << "brimloft-decode: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
