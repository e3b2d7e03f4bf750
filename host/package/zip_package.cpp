#include "host/package/zip_package.h"

#include <zip.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstring>
#include <optional>
#include <utility>

#include "host/failures/host_error.h"
#include "host/package/part_reference.h"
#include "host/package/text.h"

namespace brimloft::host {
namespace {

struct Piece {
  std::uint64_t index;
  unsigned number;
  bool last;
};

// An interleaved item "<part>/[<n>].piece" or "<part>/[<n>].last.piece" (n of 1 to 9 digits,
// letters in any case): its part name, number and whether it is the last. Read from the end, the
// way the name is built.
std::optional<std::pair<std::string, Piece>> PieceOf(const std::string& name) {
  auto endsWith = [&](size_t end, const char* suffix) {
    const size_t n = std::strlen(suffix);
    if (end < n) return false;
    for (size_t i = 0; i < n; ++i)
      if (std::tolower(static_cast<unsigned char>(name[end - n + i])) != suffix[i]) return false;
    return true;
  };
  if (!endsWith(name.size(), ".piece")) return std::nullopt;
  size_t end = name.size() - 6;
  const bool last = endsWith(end, ".last");
  if (last) end -= 5;
  if (end == 0 || name[end - 1] != ']') return std::nullopt;
  const size_t digitsEnd = end - 1;
  size_t digitsStart = digitsEnd;
  while (digitsStart > 0 && name[digitsStart - 1] >= '0' && name[digitsStart - 1] <= '9') --digitsStart;
  const size_t digits = digitsEnd - digitsStart;
  if (digits < 1 || digits > 9 || digitsStart < 2 || name[digitsStart - 1] != '[' || name[digitsStart - 2] != '/')
    return std::nullopt;
  std::string part = name.substr(0, digitsStart - 2);
  if (part.find_first_of("\r\n") != std::string::npos) return std::nullopt;  // as a regular expression's "."
  const auto number = static_cast<unsigned>(std::stoul(name.substr(digitsStart, digits)));
  return std::make_pair(std::move(part), Piece{0, number, last});
}

std::string ZipErrorText(int code) {
  zip_error_t error;
  zip_error_init_with_code(&error, code);
  std::string text = zip_error_strerror(&error);
  zip_error_fini(&error);
  return text;
}

HRESULT OpenFailureHr(int code) {
  switch (code) {
    case ZIP_ER_NOENT: return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
    case ZIP_ER_OPEN:
    case ZIP_ER_READ: return HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED);
    case ZIP_ER_MEMORY: return E_OUTOFMEMORY;
    default: return HrBadPackage();
  }
}

}  // namespace

ZipPackage::ZipPackage(const std::string& path, const PackageLimits& limits) : path_(path) {
  int code = 0;
  archive_ = zip_open(path.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &code);
  if (archive_ == nullptr) {
    if (code == ZIP_ER_OPEN && errno == ENOENT) code = ZIP_ER_NOENT;
    std::string why = code == ZIP_ER_NOENT ? "no such file"
                      : code == ZIP_ER_NOZIP ? "not a ZIP package (XPS files are ZIP archives)"
                      : code == ZIP_ER_INCONS ? "the ZIP archive is damaged or truncated"
                                              : ZipErrorText(code);
    throw HostError(OpenFailureHr(code), path + ": " + why);
  }
  try {
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    if (count < 0 || static_cast<std::uint64_t>(count) > limits.maxParts)
      throw HostError(HrTooLarge(), path + ": more than " + std::to_string(limits.maxParts) + " ZIP items");

    std::map<std::string, std::vector<Piece>> pieces;
    std::map<std::string, std::string> pieceSpelling;
    std::uint64_t total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
      zip_stat_t st;
      if (zip_stat_index(archive_, i, 0, &st) != 0 || !(st.valid & ZIP_STAT_NAME) || !(st.valid & ZIP_STAT_SIZE))
        throw HostError(HrBadPackage(), path + ": unreadable ZIP item " + std::to_string(i));
      std::string item = st.name;
      if (item.empty() || item.back() == '/') continue;  // directory entries carry no part
      if (st.size > limits.maxPartBytes)
        throw HostError(HrTooLarge(), path + ": item " + item + " exceeds the part size limit");
      total += st.size;
      if (total > limits.maxTotalBytes)
        throw HostError(HrTooLarge(), path + ": the package exceeds the total size limit");

      const std::string name = item[0] == '/' ? item : "/" + item;
      if (auto piece = PieceOf(name)) {
        const std::string key = PartNameKey(piece->first);
        piece->second.index = static_cast<std::uint64_t>(i);
        pieces[key].push_back(piece->second);
        pieceSpelling.emplace(key, piece->first);
        continue;
      }
      const std::string key = PartNameKey(name);
      if (parts_.count(key)) throw HostError(HrBadPackage(), path + ": duplicate part " + name);
      parts_[key] = Part{name, {static_cast<std::uint64_t>(i)}, st.size};
      order_.push_back(key);
    }

    for (auto& [key, list] : pieces) {
      const std::string& name = pieceSpelling[key];
      if (parts_.count(key)) throw HostError(HrBadPackage(), path + ": duplicate part " + name);
      std::sort(list.begin(), list.end(), [](const Piece& a, const Piece& b) { return a.number < b.number; });
      Part part{name, {}, 0};
      for (size_t n = 0; n < list.size(); ++n) {
        const bool lastExpected = n + 1 == list.size();
        if (list[n].number != n || list[n].last != lastExpected)
          throw HostError(HrBadPackage(), path + ": interleaved part " + name + " has missing or misplaced pieces");
        zip_stat_t st;
        zip_stat_index(archive_, list[n].index, 0, &st);
        part.size += st.size;
        part.items.push_back(list[n].index);
      }
      if (part.size > limits.maxPartBytes)
        throw HostError(HrTooLarge(), path + ": part " + name + " exceeds the part size limit");
      parts_[key] = std::move(part);
      order_.push_back(key);
    }
  } catch (...) {
    zip_discard(archive_);
    throw;
  }
}

ZipPackage::~ZipPackage() { zip_discard(archive_); }

const ZipPackage::Part& ZipPackage::Find(const std::string& partName) const {
  const auto it = parts_.find(PartNameKey(partName));
  if (it == parts_.end()) throw HostError(HrMissingPart(), path_ + ": the package has no part " + partName);
  return it->second;
}

bool ZipPackage::Contains(const std::string& partName) const { return parts_.count(PartNameKey(partName)) != 0; }

const std::string& ZipPackage::CanonicalName(const std::string& partName) const { return Find(partName).name; }

std::vector<std::string> ZipPackage::PartNames() const {
  std::vector<std::string> names;
  for (const std::string& key : order_) names.push_back(parts_.at(key).name);
  return names;
}

std::vector<unsigned char> ZipPackage::Read(const std::string& partName) const {
  const Part& part = Find(partName);
  std::vector<unsigned char> bytes(part.size);
  std::lock_guard<std::mutex> lock(mutex_);
  std::uint64_t offset = 0;
  for (std::uint64_t index : part.items) {
    zip_file_t* file = zip_fopen_index(archive_, index, 0);
    if (file == nullptr)
      throw HostError(HrCorruptData(), path_ + ": cannot read part " + part.name + ": " + zip_strerror(archive_));
    zip_stat_t st;
    zip_stat_index(archive_, index, 0, &st);
    const std::uint64_t end = offset + st.size;
    std::string failure;
    while (failure.empty()) {
      // One byte beyond the declared size proves that the item holds no more than it says.
      unsigned char spare;
      unsigned char* dest = offset < end ? bytes.data() + offset : &spare;
      const std::uint64_t want = offset < end ? std::min<std::uint64_t>(end - offset, 1u << 20) : 1;
      const zip_int64_t got = zip_fread(file, dest, want);
      if (got < 0) failure = zip_error_strerror(zip_file_get_error(file));
      else if (got == 0) break;
      else if (offset >= end) failure = "more data than its declared size";
      else offset += static_cast<std::uint64_t>(got);
    }
    zip_fclose(file);
    if (failure.empty() && offset != end) failure = "less data than its declared size";
    if (!failure.empty())
      throw HostError(HrCorruptData(), path_ + ": part " + part.name + " is damaged: " + failure);
  }
  return bytes;
}

}  // namespace brimloft::host
