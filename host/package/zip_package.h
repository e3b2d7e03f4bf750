// The parts of a ZIP-based package (XPS, OpenXPS): ZIP items mapped to part names, interleaved
// "[n].piece" / "[n].last.piece" items joined into their parts, with limits against hostile files.
#ifndef BRIMLOFT_HOST_PACKAGE_ZIP_PACKAGE_H
#define BRIMLOFT_HOST_PACKAGE_ZIP_PACKAGE_H

#include "host/host_namespace.h"

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

struct zip;

namespace brimloft::host {

struct PackageLimits {
  std::uint64_t maxPartBytes = 256ull << 20;   // uncompressed size of one part
  std::uint64_t maxTotalBytes = 2ull << 30;    // uncompressed size of all parts together
  std::size_t maxParts = 20000;                // ZIP items
  std::size_t maxPages = 100000;               // pages of the whole job (a page listed twice counts twice)
};

class ZipPackage {
 public:
  // Opens the file. Throws HostError: file not found or unreadable, not a ZIP file (also a
  // truncated one), too many items, a part larger than the limits, duplicate part names,
  // incomplete interleaved pieces.
  explicit ZipPackage(const std::string& path, const PackageLimits& limits = {});
  ~ZipPackage();
  ZipPackage(const ZipPackage&) = delete;
  ZipPackage& operator=(const ZipPackage&) = delete;

  bool Contains(const std::string& partName) const;
  // The name as the package spells it, for a name in any case or escaping; throws when absent.
  const std::string& CanonicalName(const std::string& partName) const;
  // All part names as the package spells them, in ZIP order of their first item.
  std::vector<std::string> PartNames() const;

  // The part's bytes. Throws HostError: no such part (missing part), damaged data (CRC or
  // decompression failure), larger than its declared size. Safe to call from any thread.
  std::vector<unsigned char> Read(const std::string& partName) const;

 private:
  struct Part {
    std::string name;
    std::vector<std::uint64_t> items;  // ZIP indexes of its pieces, in order
    std::uint64_t size = 0;
  };
  const Part& Find(const std::string& partName) const;

  zip* archive_ = nullptr;
  std::string path_;
  std::map<std::string, Part> parts_;  // by PartNameKey
  std::vector<std::string> order_;
  mutable std::mutex mutex_;
};

}  // namespace brimloft::host

#endif
