// Where brimloft-print's data goes. A regular file is written under a temporary name in its own
// folder and renamed over the target only when the job succeeds, so a failed or stopped job leaves
// an existing file exactly as it was; standard output, device nodes, pipes and network printers
// receive the bytes as they come.
#ifndef BRIMLOFT_HOST_TOOLS_PRINT_OUTPUT_TARGET_H
#define BRIMLOFT_HOST_TOOLS_PRINT_OUTPUT_TARGET_H

#include "host/host_namespace.h"

#include <string>

#include "host/pipeline/write_stream.h"
#include "module/ComPtr.h"

namespace brimloft::host {

class OutputTarget {
 public:
  // "" or "-": standard output; "socket://HOST[:PORT]": a printer over raw TCP (port 9100 by
  // default, 10 s to connect); anything else a path. Throws HostError with the system's reason.
  explicit OutputTarget(const std::string& spec);
  // Removes the temporary file unless Commit renamed it.
  ~OutputTarget();
  OutputTarget(const OutputTarget&) = delete;
  OutputTarget& operator=(const OutputTarget&) = delete;

  FdWriteStream* Stream() const noexcept { return stream_.get(); }
  // True when the target is a regular file replaced at the end (nothing reaches it before).
  bool Replaces() const noexcept { return !temporary_.empty(); }
  // What messages call the target: the path, "standard output", ...
  const std::string& Name() const noexcept { return name_; }
  // For a failure message: "FILE is left as it was" or "FILE is not written" (when it did not exist).
  std::string Untouched() const { return name_ + (existed_ ? " is left as it was" : " is not written"); }
  // Renames the temporary file over the target; throws HostError when that fails.
  void Commit();
  // Removes the temporary file; safe from a signal's path out (only unlink).
  void Abandon() noexcept;

 private:
  brimloft::ComPtr<FdWriteStream> stream_;
  std::string name_;
  std::string target_;
  std::string temporary_;
  bool existed_ = false;
};

}  // namespace brimloft::host

#endif
