#include "printer/SnapshotFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string_view>

namespace brimloft {

std::vector<char> LoadSnapshotFile(const std::string& path) {
  // Opened by its UTF-8 name, as the writer saves it, so that a temporary folder outside ASCII
  // still reaches the same file.
  const std::filesystem::path name = std::filesystem::u8path(path);
  std::error_code ignored;
  // A directory opens as a stream on this platform but is no file to read.
  if (std::filesystem::is_directory(name, ignored)) throw std::runtime_error("cannot open file " + path);
  std::ifstream stream(name, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot open file " + path);
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg();
  stream.seekg(0);
  // An unseekable file reports no size.
  if (!stream || size < 0) throw std::runtime_error("error reading stream");
  std::vector<char> data(static_cast<std::size_t>(size) + 1);
  stream.read(data.data(), static_cast<std::streamsize>(size));
  if (stream.gcount() != size) throw std::runtime_error("error reading stream");
  data[static_cast<std::size_t>(size)] = 0;
  return data;
}

namespace {

// The position after the first occurrence of what in [p, end), or end.
const char* After(const char* p, const char* end, std::string_view what) {
  const char* found = std::search(p, end, what.begin(), what.end());
  return found == end ? end : found + what.size();
}

// The position after the '>' ending the tag at p, skipping quoted attribute values.
const char* AfterTag(const char* p, const char* end, bool& selfClosing) {
  char quote = 0;
  for (; p != end; ++p) {
    if (quote != 0) {
      if (*p == quote) quote = 0;
    } else if (*p == '"' || *p == '\'') {
      quote = *p;
    } else if (*p == '>') {
      selfClosing = p[-1] == '/';
      return p + 1;
    }
  }
  return end;
}

bool StartsWith(const char* p, const char* end, std::string_view what) {
  return std::size_t(end - p) >= what.size() && std::equal(what.begin(), what.end(), p);
}

}  // namespace

// Plain loops rather than the C string functions: the text is long and scanned once.
std::size_t NestingDepth(const char* text) {
  const char* const end = text + std::char_traits<char>::length(text);
  std::size_t depth = 0;
  std::size_t deepest = 0;
  for (const char* p = std::find(text, end, '<'); p != end; p = std::find(p, end, '<')) {
    ++p;
    if (StartsWith(p, end, "!--")) {
      p = After(p, end, "-->");
    } else if (StartsWith(p, end, "![CDATA[")) {
      p = After(p, end, "]]>");
    } else if (StartsWith(p, end, "?")) {
      p = After(p, end, "?>");
    } else if (StartsWith(p, end, "!") || StartsWith(p, end, "/")) {
      bool ignored = false;
      if (*p == '/' && depth > 0) --depth;
      p = AfterTag(p, end, ignored);
    } else {
      bool selfClosing = false;
      p = AfterTag(p, end, selfClosing);
      if (!selfClosing) deepest = std::max(deepest, ++depth);
    }
  }
  return deepest;
}

}  // namespace brimloft
