#include "host/tools/print/output_target.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "host/failures/host_error.h"
#include "host/tools/print/tcp_connection.h"

namespace brimloft::host {
namespace {

// A write that fails: a missing folder is a path not found.
HRESULT HrOfFailedWrite(int e) {
  return e == ENOENT                 ? HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)
         : e == EACCES || e == EPERM ? HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)
                                     : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
}

// "dir/.name.XXXXXX" beside the target, so the rename stays within one file system.
std::string TemporaryTemplate(const std::string& target) {
  const size_t slash = target.rfind('/');
  const std::string folder = slash == std::string::npos ? "" : target.substr(0, slash + 1);
  const std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  return folder + "." + base + ".XXXXXX";
}

// A printer that does not answer within this is taken for unreachable.
constexpr std::chrono::seconds kConnectTimeout{10};

}  // namespace

OutputTarget::OutputTarget(const std::string& spec) {
  if (spec.empty() || spec == "-") {
    stream_ = FdWriteStream::Stdout();
    name_ = "standard output";
    return;
  }
  name_ = spec;
  if (spec.rfind("socket://", 0) == 0) {
    const TcpAddress address = ParseSocketUri(spec);
    stream_ = FdWriteStream::Adopt(ConnectTcp(address, kConnectTimeout), spec);
    return;
  }
  // A link is followed, so the file it names is replaced and the link stays a link.
  std::unique_ptr<char, decltype(&std::free)> resolved(realpath(spec.c_str(), nullptr), std::free);
  target_ = resolved ? resolved.get() : spec;
  struct stat st;
  const bool exists = stat(spec.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) throw HostError(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), spec + ": is a directory");
  if (exists && !S_ISREG(st.st_mode)) {
    stream_ = FdWriteStream::OpenPath(spec);
    return;
  }
  std::string pattern = TemporaryTemplate(target_);
  std::vector<char> path(pattern.begin(), pattern.end());
  path.push_back('\0');
  const int fd = mkostemp(path.data(), O_CLOEXEC);
  if (fd < 0) {
    const int e = errno;
    throw HostError(HrOfFailedWrite(e), spec + ": " + std::strerror(e));
  }
  temporary_ = path.data();
  existed_ = exists;
  // A replaced file keeps its permissions; a new one gets what the umask allows a plain file.
  mode_t mode = 0666;
  if (exists) {
    mode = st.st_mode & 07777;
  } else {
    const mode_t mask = umask(0);
    umask(mask);
    mode &= ~mask;
  }
  fchmod(fd, mode);
  stream_ = FdWriteStream::Adopt(fd, spec);
}

OutputTarget::~OutputTarget() { Abandon(); }

void OutputTarget::Commit() {
  if (temporary_.empty()) return;
  stream_->Close();
  if (rename(temporary_.c_str(), target_.c_str()) != 0) {
    const int e = errno;
    throw HostError(HrOfFailedWrite(e), "cannot put the output in place as " + target_ + ": " + std::strerror(e));
  }
  temporary_.clear();
}

void OutputTarget::Abandon() noexcept {
  if (!temporary_.empty()) unlink(temporary_.c_str());
}

}  // namespace brimloft::host
