#include "host/package/part_reference.h"

#include <vector>

#include "host/failures/host_error.h"

namespace brimloft::host {

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

}  // namespace brimloft::host
