// brimloft-decode: checks a printer command stream, prints what it holds and draws the paper.
//   brimloft-decode STREAM [--png FILE]      (STREAM "-" reads standard input)
// Exit status: 0 for a sound stream, 1 for an unreadable or malformed one, 2 for a usage error.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "support/stream_decoder.h"

namespace {

int Usage() {
  std::cerr << "usage: brimloft-decode STREAM [--png FILE]\n";
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string input;
  std::string png;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--png") {
      if (++i >= argc) return Usage();
      png = argv[i];
    } else if (input.empty()) {
      input = arg;
    } else {
      return Usage();
    }
  }
  if (input.empty()) return Usage();

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
    const auto decoded = brimloft::host::DecodeStream(bytes.data(), bytes.size());
    std::cout << brimloft::host::FormatSummary(decoded.summary)
              << "paper: " << decoded.paper.width << " x " << decoded.paper.height << " dots\n";
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
