// Part names of an OPC package: syntax, comparison and resolution of relative references.
#ifndef BRIMLOFT_PLATFORM_XPS_PART_NAME_H
#define BRIMLOFT_PLATFORM_XPS_PART_NAME_H

#include <msopc.h>

#include <string>

namespace platform::xps {

// S_OK for a conforming part name: "/" followed by non-empty segments separated by "/", no
// trailing "/", no segment that ends with "." (so no "." or ".." segment), only URI path
// characters or characters beyond ASCII, each "%" followed by two hex digits that encode neither
// "/", "\" nor an unreserved character, no query and no fragment. OPC_E_NONCONFORMING_URI else.
HRESULT ValidatePartName(const std::wstring& name);

// The form under which equal part names compare equal (ASCII case folded).
std::wstring PartNameKey(const std::wstring& name);

// The part name that reference (a URI reference in markup, relative or absolute, with an
// optional fragment) designates from the part named base; empty when it designates no part.
std::wstring ResolvePartReference(const std::wstring& base, const std::wstring& reference);

// The raw string of a part name object; fails with that object's HRESULT.
HRESULT GetPartNameString(IOpcPartUri* uri, std::wstring& name);

// A new part name object for a name that already passed ValidatePartName.
HRESULT CreatePartUriObject(const std::wstring& name, IOpcPartUri** uri);

}  // namespace platform::xps

#endif
