// brimloft-decode: checks a printer command stream, prints what it holds and draws the paper.
// Exit status: 0 for a sound stream, 1 for an unreadable or malformed one, 2 for a usage error.
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "host/decoder/paper_png.h"
#include "host/decoder/stream_decoder.h"
#include "host/failures/host_error.h"
#include "host/tools/tool_main.h"

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
    "  --version     shows the version\n"
    "\n"
    "Exit status: 0 a sound stream, 1 an unreadable or malformed one, 2 wrong usage.\n";

std::size_t HeadWidth(const std::string& value) {
  if (value.empty() || value.find_first_not_of("0123456789") != std::string::npos || value.size() > 4 ||
      !host::IsHeadWidth(std::stoul(value))) {
    throw host::UsageError("--width " + value + " is no head width: the heads print 432, 576 or 832 dots");
  }
  return std::stoul(value);
}

std::vector<std::uint8_t> ReadStream(const std::string& input) {
  if (input == "-") return {std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>()};
  std::ifstream file(input, std::ios::binary);
  if (!file) throw host::SystemFailure("cannot open " + input);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  std::string png;
  std::size_t width = 0;
  const std::vector<host::Option> options = {
      {'\0', "png", true, [&](const std::string& value) { png = value; }},
      {'\0', "width", true, [&](const std::string& value) { width = HeadWidth(value); }},
  };
  return host::RunTool({"brimloft-decode", kUsage}, argc, argv, options, [&](const std::vector<std::string>& operands) {
    if (operands.size() != 1) throw host::UsageError(operands.empty() ? "no stream given" : "more than one stream given");
    const std::string& input = operands[0];
    const std::vector<std::uint8_t> bytes = ReadStream(input);
    try {
      const auto decoded = host::DecodeStream(bytes.data(), bytes.size(), width);
      std::cout << host::FormatSummary(decoded) << std::flush;
      if (!png.empty()) host::WritePaperPng(decoded.paper, png);
    } catch (const host::StreamError& e) {
      throw host::HostError(e.hr(), e.what(), input);
    }
    return 0;
  });
}
