// Part names of an OPC package: syntax, comparison and resolution of relative references. The one
// place of these rules: the object model here and the host's package reader (host/package/) use it.
#ifndef BRIMLOFT_PLATFORM_XPS_PART_NAME_H
#define BRIMLOFT_PLATFORM_XPS_PART_NAME_H

#include <msopc.h>

#include <string>
#include <string_view>

namespace platform::xps {

// S_OK for a conforming part name: "/" followed by non-empty segments separated by "/", no
// trailing "/", no segment that ends with "." (so no "." or ".." segment), only URI path
// characters or characters beyond ASCII, each "%" followed by two hex digits that encode neither
// "/", "\" nor an unreserved character, no query and no fragment. OPC_E_NONCONFORMING_URI else.
HRESULT ValidatePartName(const std::wstring& name);

// The form under which equal part names compare equal, as UTF-8: percent-escapes decoded (so
// "%c3%a9" and "é" are one), then ASCII letters folded to upper case; other characters as
// they are.
std::string PartNameKey(std::string_view name);
std::string PartNameKey(const std::wstring& name);

// True when the reference names something outside the package: it starts with a URI scheme.
bool IsExternalReference(std::string_view reference);

// The relationships part of a part: "/a/b.fpage" -> "/a/_rels/b.fpage.rels"; "/" -> "/_rels/.rels".
std::string RelationshipsPartName(const std::string& sourcePart);

// The extension after the last dot of the last segment, without the dot; empty when none.
std::string PartExtension(const std::string& partName);

// The part name that reference (a URI reference in markup, relative or absolute, with an
// optional fragment) designates from the part named base; empty when it designates no part.
std::wstring ResolvePartReference(const std::wstring& base, const std::wstring& reference);

// The raw string of a part name object; fails with that object's HRESULT.
HRESULT GetPartNameString(IOpcPartUri* uri, std::wstring& name);

// A new part name object for a name that already passed ValidatePartName.
HRESULT CreatePartUriObject(const std::wstring& name, IOpcPartUri** uri);

}  // namespace platform::xps

#endif
