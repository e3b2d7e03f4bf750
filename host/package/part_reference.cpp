#include "host/package/part_reference.h"

#include <vector>

#include "host/failures/host_error.h"
#include "host/package/text.h"

namespace brimloft::host {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::string PercentDecode(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      const int hi = HexValue(s[i + 1]), lo = HexValue(s[i + 2]);
      if (hi >= 0 && lo >= 0) {
        out.push_back(char(hi * 16 + lo));
        i += 2;
        continue;
      }
    }
    out.push_back(s[i]);
  }
  return out;
}

}  // namespace

std::string PartKey(const std::string& partName) { return AsciiLower(PercentDecode(partName)); }

bool IsExternalReference(const std::string& reference) {
  const size_t colon = reference.find(':');
  if (colon == std::string::npos || colon == 0) return false;
  const size_t slash = reference.find('/');
  if (slash != std::string::npos && slash < colon) return false;
  for (size_t i = 0; i < colon; ++i) {
    const char c = reference[i];
    const bool alpha = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!alpha && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

std::string ResolvePartReference(const std::string& sourcePart, const std::string& reference) {
  std::string ref = reference.substr(0, reference.find_first_of("#?"));
  for (char& c : ref)
    if (c == '\\') c = '/';
  if (ref.empty()) throw HostError(HrBadPackage(), "empty part reference in " + sourcePart);
  if (IsExternalReference(ref))
    throw HostError(HrBadPackage(), "reference \"" + reference + "\" in " + sourcePart + " leaves the package");

  std::string path;
  if (ref[0] == '/') {
    path = ref;
  } else {
    path = sourcePart.substr(0, sourcePart.rfind('/') + 1) + ref;
    if (path.empty() || path[0] != '/') path.insert(path.begin(), '/');
  }

  std::vector<std::string> segments;
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string segment = path.substr(start, end - start);
    if (segment == "..") {
      if (segments.empty())
        throw HostError(HrBadPackage(), "reference \"" + reference + "\" in " + sourcePart + " leaves the package");
      segments.pop_back();
    } else if (!segment.empty() && segment != ".") {
      segments.push_back(segment);
    }
    start = end + 1;
  }
  std::string out;
  for (const std::string& s : segments) out += "/" + s;
  return out.empty() ? "/" : out;
}

std::string RelationshipsPartName(const std::string& sourcePart) {
  const size_t slash = sourcePart.rfind('/');
  return sourcePart.substr(0, slash + 1) + "_rels/" + sourcePart.substr(slash + 1) + ".rels";
}

std::string PartExtension(const std::string& partName) {
  const std::string last = partName.substr(partName.rfind('/') + 1);
  const size_t dot = last.rfind('.');
  return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}

}  // namespace brimloft::host
