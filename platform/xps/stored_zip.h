// A ZIP archive of stored (uncompressed) entries assembled in memory, for MuPDF alone: its entries
// carry no CRC (zero), which MuPDF's reader does not check, so that no byte is read twice.
#ifndef BRIMLOFT_PLATFORM_XPS_STORED_ZIP_H
#define BRIMLOFT_PLATFORM_XPS_STORED_ZIP_H

#include <windows.h>

#include <cstddef>
#include <string>

namespace platform::xps {

class StoredZip {
 public:
  // Adds an entry named name (UTF-8, no leading "/"). Fails with E_OUTOFMEMORY, also when the
  // archive would outgrow the classic ZIP limits (4 GiB, 65,535 entries).
  HRESULT Add(const std::string& name, const std::string& data);
  // Makes room for the whole archive of entries whose names and data add up to nameBytes and
  // dataBytes, so that neither Add nor Finish moves what is already written (megabytes of fonts
  // and markup). Throws std::bad_alloc.
  void Reserve(std::size_t entries, std::size_t nameBytes, std::size_t dataBytes);
  // The whole archive: the entries, the central directory and its end record.
  HRESULT Finish(std::string& archive);

 private:
  std::string body_;
  std::string directory_;
  unsigned entries_ = 0;
};

}  // namespace platform::xps

#endif
