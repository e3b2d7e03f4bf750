// Relationship parts ("_rels/*.rels"): the typed links from a part (or the package) to others.
#ifndef BRIMLOFT_HOST_PACKAGE_RELATIONSHIPS_H
#define BRIMLOFT_HOST_PACKAGE_RELATIONSHIPS_H

#include "host/host_namespace.h"

#include <string>
#include <vector>

namespace brimloft::host {

class ZipPackage;

struct Relationship {
  std::string id;
  std::string type;
  std::string target;  // resolved part name; the raw target when external
  bool external = false;
};

// The relationships of sourcePart ("/" for the package), in document order; none when the
// package has no relationships part for it. Throws HostError for malformed markup.
std::vector<Relationship> ReadRelationships(const ZipPackage& package, const std::string& sourcePart);

}  // namespace brimloft::host

#endif
