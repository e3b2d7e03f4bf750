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

}  // namespace brimloft

#endif
