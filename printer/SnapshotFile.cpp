#include "printer/SnapshotFile.h"

#include <filesystem>
#include <fstream>
#include <stdexcept>

namespace brimloft {

std::vector<char> LoadSnapshotFile(const std::string& path) {
  // Opened by its UTF-8 name, as the writer saves it, so that a temporary folder outside ASCII
  // still reaches the same file.
  const std::filesystem::path name = std::filesystem::u8path(path);
  std::error_code ignored;
  // A directory opens as a stream on this platform but is no file to read.
  if (std::filesystem::is_directory(name, ignored)) throw std::runtime_error("cannot open file " + path);
  std::ifstream stream(name, std::ios::binary);
  if (!stream) throw std::runtime_error("cannot open file " + path);
  stream.seekg(0, std::ios::end);
  const std::streamoff size = stream.tellg();
  stream.seekg(0);
  // An unseekable file reports no size.
  if (!stream || size < 0) throw std::runtime_error("error reading stream");
  std::vector<char> data(static_cast<std::size_t>(size) + 1);
  stream.read(data.data(), static_cast<std::streamsize>(size));
  if (stream.gcount() != size) throw std::runtime_error("error reading stream");
  data[static_cast<std::size_t>(size)] = 0;
  return data;
}

}  // namespace brimloft
