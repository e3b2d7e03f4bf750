// Part names of an Open Packaging Conventions package: "/dir/name.ext", compared without regard
// to ASCII case and percent-encoding, as the conventions require.
#ifndef BRIMLOFT_HOST_PACKAGE_PART_REFERENCE_H
#define BRIMLOFT_HOST_PACKAGE_PART_REFERENCE_H

#include "host/host_namespace.h"

#include <string>

namespace brimloft::host {

// The comparison key of a part name: percent-escapes decoded, ASCII folded to lower case.
std::string PartKey(const std::string& partName);

// Resolves a relationship target or markup reference against the part that holds it ("/" for
// the package). Drops a fragment or query; collapses "." and ".." segments. Throws HostError
// (bad package) for an empty reference, an absolute URI with a scheme, or ".." above the root.
std::string ResolvePartReference(const std::string& sourcePart, const std::string& reference);

// "/a/b.fpage" -> "/a/_rels/b.fpage.rels"; "/" -> "/_rels/.rels".
std::string RelationshipsPartName(const std::string& sourcePart);

// The extension after the last dot of the last segment, without the dot; empty when none.
std::string PartExtension(const std::string& partName);

// True when the reference names something outside the package (it has a URI scheme).
bool IsExternalReference(const std::string& reference);

}  // namespace brimloft::host

#endif
