// Writes XPS packages from folders of plain parts: how the bundled examples and the test fixtures
// become .xps files.
#ifndef BRIMLOFT_HOST_PACKAGE_PACKAGE_WRITER_H
#define BRIMLOFT_HOST_PACKAGE_PACKAGE_WRITER_H

#include "host/host_namespace.h"

#include <string>
#include <utility>
#include <vector>

namespace brimloft::host {

struct PackOptions {
  // Parts taken from elsewhere: part name ("/Resources/Fonts/x.odttf") and source file. A part
  // whose name ends in ".odttf" is obfuscated with the GUID of its name on the way in.
  std::vector<std::pair<std::string, std::string>> extraParts;
  // When non-zero, parts larger than this are stored as interleaved "[n].piece" items.
  std::size_t pieceSize = 0;
};

// Packs every file below folder (names relative to it become part names) plus the extra parts
// into a new ZIP at outPath, "[Content_Types].xml" first. Folder files ending in ".odttf" are
// taken as stored (already obfuscated). Throws HostError saying which file failed.
void PackFolder(const std::string& folder, const std::string& outPath, const PackOptions& options = {});

}  // namespace brimloft::host

#endif
