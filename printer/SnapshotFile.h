// Loads the ticket snapshot file for parsing in place.
#ifndef BRIMLOFT_PRINTER_SNAPSHOTFILE_H
#define BRIMLOFT_PRINTER_SNAPSHOTFILE_H

#include <string>
#include <vector>

namespace brimloft {

// The file's raw bytes followed by one 0 byte. The path is UTF-8, as the snapshot's writer uses it.
// Throws std::runtime_error("cannot open file " + path) when the file cannot be opened and
// std::runtime_error("error reading stream") when it cannot be read to its end.
std::vector<char> LoadSnapshotFile(const std::string& path);

// The deepest element nesting of a snapshot's markup, scanned as the in-place parser reads it:
// declarations, comments, CDATA and quoted attribute values are skipped. The parser recurses once
// per level, so a file nested deeper than the caller allows must be refused before parsing.
// Never fails; malformed markup gives whatever depth its tags suggest.
std::size_t NestingDepth(const char* text);

}  // namespace brimloft

#endif
