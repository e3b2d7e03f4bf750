// References between the parts of a package, resolved as the host's package reader needs them:
// failing in words. The part-name rules themselves (comparison without regard to ASCII case and
// percent-encoding, relationships parts, extensions) are the object model's, in
// platform/xps/part_name.h, so that the host and the object model never disagree about a name.
#ifndef BRIMLOFT_HOST_PACKAGE_PART_REFERENCE_H
#define BRIMLOFT_HOST_PACKAGE_PART_REFERENCE_H

#include "host/host_namespace.h"

#include <string>

#include "platform/xps/part_name.h"

namespace brimloft::host {

using platform::xps::IsExternalReference;
using platform::xps::PartExtension;
using platform::xps::PartNameKey;
using platform::xps::RelationshipsPartName;

// Resolves a relationship target or markup reference against the part that holds it ("/" for
// the package). Drops a fragment or query; collapses "." and ".." segments. Throws HostError
// (bad package) for an empty reference, an absolute URI with a scheme, or ".." above the root.
std::string ResolvePartReference(const std::string& sourcePart, const std::string& reference);

}  // namespace brimloft::host

#endif
