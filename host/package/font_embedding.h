// What a font part says about its own embedding: XPS font obfuscation and the OS/2 table's
// embedding permissions (fsType).
#ifndef BRIMLOFT_HOST_PACKAGE_FONT_EMBEDDING_H
#define BRIMLOFT_HOST_PACKAGE_FONT_EMBEDDING_H

#include "host/host_namespace.h"

#include <string>
#include <vector>

namespace brimloft::host {

// Undoes (or applies: the operation is its own inverse) the XPS obfuscation of the font's first
// 32 bytes with the key that the part name's GUID gives. False, and the bytes unchanged, when the
// name holds no GUID or the font is shorter than 32 bytes.
bool XorObfuscation(std::vector<unsigned char>& font, const std::string& partName);

// The embedding permission bits (0x2 no embedding, 0x4 preview and print, 0x8 editable) of a
// plain OpenType/TrueType font; 0 when the font or its OS/2 table cannot be read. Never throws.
unsigned EmbeddingRestriction(const std::vector<unsigned char>& font);

}  // namespace brimloft::host

#endif
