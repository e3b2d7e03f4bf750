// A temporary folder of the job's own, made the process's TMPDIR for its lifetime, so that the
// ticket snapshot of one job never meets that of another job running at the same time.
#ifndef BRIMLOFT_HOST_PIPELINE_PRIVATE_TEMP_FOLDER_H
#define BRIMLOFT_HOST_PIPELINE_PRIVATE_TEMP_FOLDER_H

#include <optional>
#include <string>

namespace brimloft::host {

class PrivateTempFolder {
 public:
  // Makes a fresh folder (mode 0700) named prefix-XXXXXX inside the current TMPDIR, or /tmp, and
  // points TMPDIR at it. Throws HostError with the system's reason when it can't.
  explicit PrivateTempFolder(const std::string& prefix);
  // Removes the folder with everything in it and restores TMPDIR; never throws.
  ~PrivateTempFolder();
  PrivateTempFolder(const PrivateTempFolder&) = delete;
  PrivateTempFolder& operator=(const PrivateTempFolder&) = delete;

  const std::string& path() const noexcept { return path_; }

 private:
  std::string path_;
  std::optional<std::string> previous_;
};

}  // namespace brimloft::host

#endif
