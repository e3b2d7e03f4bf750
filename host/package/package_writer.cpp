#include "host/package/package_writer.h"

#include <zip.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>

#include "host/failures/host_error.h"
#include "host/package/font_embedding.h"

namespace brimloft::host {
namespace {

namespace fs = std::filesystem;

std::vector<unsigned char> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw HostError(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), "cannot read " + path);
  return std::vector<unsigned char>(std::istreambuf_iterator<char>(in), {});
}

struct Archive {
  zip_t* z = nullptr;
  std::string path;
  // Buffers must outlive zip_close, which is when libzip reads them.
  std::vector<std::unique_ptr<std::vector<unsigned char>>> buffers;
  ~Archive() {
    if (z) zip_discard(z);
  }
  void Add(const std::string& itemName, std::vector<unsigned char> bytes) {
    buffers.push_back(std::make_unique<std::vector<unsigned char>>(std::move(bytes)));
    const auto& b = *buffers.back();
    zip_source_t* src = zip_source_buffer(z, b.data(), b.size(), 0);
    if (src == nullptr || zip_file_add(z, itemName.c_str(), src, ZIP_FL_ENC_UTF_8) < 0) {
      if (src) zip_source_free(src);
      throw HostError(E_FAIL, path + ": cannot add " + itemName + ": " + zip_strerror(z));
    }
  }
};

}  // namespace

void PackFolder(const std::string& folder, const std::string& outPath, const PackOptions& options) {
  std::vector<std::pair<std::string, std::vector<unsigned char>>> parts;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file()) continue;
    const std::string name = fs::relative(it->path(), folder).generic_string();
    parts.emplace_back(name, ReadFile(it->path().string()));
  }
  if (ec) throw HostError(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), folder + ": " + ec.message());
  for (const auto& [partName, source] : options.extraParts) {
    std::vector<unsigned char> bytes = ReadFile(source);
    const std::string name = partName.substr(partName.find_first_not_of('/'));
    if (name.size() > 6 && name.compare(name.size() - 6, 6, ".odttf") == 0 && !XorObfuscation(bytes, name))
      throw HostError(E_INVALIDARG, partName + ": an obfuscated font needs a GUID name");
    parts.emplace_back(name, std::move(bytes));
  }
  // Readers that stream the package want the content types first.
  std::stable_sort(parts.begin(), parts.end(), [](const auto& a, const auto& b) {
    return (a.first == "[Content_Types].xml") > (b.first == "[Content_Types].xml") ||
           ((a.first == "[Content_Types].xml") == (b.first == "[Content_Types].xml") && a.first < b.first);
  });

  Archive archive;
  archive.path = outPath;
  int code = 0;
  archive.z = zip_open(outPath.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
  if (archive.z == nullptr) throw HostError(E_FAIL, outPath + ": cannot create the package");
  for (auto& [name, bytes] : parts) {
    if (options.pieceSize == 0 || bytes.size() <= options.pieceSize) {
      archive.Add(name, std::move(bytes));
      continue;
    }
    const size_t count = (bytes.size() + options.pieceSize - 1) / options.pieceSize;
    for (size_t i = 0; i < count; ++i) {
      const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(i * options.pieceSize);
      const auto last = bytes.begin() + static_cast<std::ptrdiff_t>(std::min(bytes.size(), (i + 1) * options.pieceSize));
      archive.Add(name + "/[" + std::to_string(i) + "]" + (i + 1 == count ? ".last" : "") + ".piece", {first, last});
    }
  }
  if (zip_close(archive.z) != 0) throw HostError(E_FAIL, outPath + ": cannot write the package: " + zip_strerror(archive.z));
  archive.z = nullptr;
}

}  // namespace brimloft::host
