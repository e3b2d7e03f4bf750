// A temporary folder of the job's own, made the process's TMPDIR for its lifetime, so that the
// ticket snapshot of one CUPS job never meets that of another job running at the same time.
#ifndef BRIMLOFT_HOST_CUPSFILTER_PRIVATE_TEMP_FOLDER_H
#define BRIMLOFT_HOST_CUPSFILTER_PRIVATE_TEMP_FOLDER_H

#include <optional>
#include <string>

namespace brimloft::rasterfilter {

class PrivateTempFolder {
 public:
  // Makes a fresh folder (mode 0700) inside the current TMPDIR, or /tmp, and points TMPDIR at it.
  // Throws std::runtime_error with the system's reason when it cannot be made.
  PrivateTempFolder();
  // Removes the folder with everything in it and restores TMPDIR; never throws.
  ~PrivateTempFolder();
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

  const std::string& path() const noexcept { return path_; }

 private:
  std::string path_;
  std::optional<std::string> previous_;
};

// Writes the ticket XML to the snapshot path that the printer output reads (inside the current
// TMPDIR). Throws std::runtime_error naming the file when it cannot be written whole.
void WriteSnapshotTicket(const std::string& ticketXml);

}  // namespace brimloft::rasterfilter

#endif
