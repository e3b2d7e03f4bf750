#include "host/pipeline/write_stream.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "host/failures/host_error.h"

namespace brimloft::host {

std::string WriteStreamBase::LastError() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return error_;
}

void WriteStreamBase::SetError(const std::string& text) {
  std::lock_guard<std::mutex> lock(mutex_);
  error_ = text;
}

brimloft::ComPtr<FdWriteStream> FdWriteStream::OpenPath(const std::string& path) {
  struct stat st;
  const bool special = stat(path.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
  if (special && S_ISDIR(st.st_mode))
    throw HostError(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), path + ": is a directory");
  const int flags = O_WRONLY | O_CLOEXEC | (special ? 0 : O_CREAT | O_TRUNC);
  const int fd = open(path.c_str(), flags, 0644);
  if (fd < 0) {
    const int e = errno;
    const HRESULT hr = e == ENOENT ? HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)
                       : e == EACCES || e == EPERM ? HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)
                                                   : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    throw HostError(hr, path + ": " + std::strerror(e));
  }
  return brimloft::ComPtr<FdWriteStream>::Attach(new FdWriteStream(fd, true, path));
}

brimloft::ComPtr<FdWriteStream> FdWriteStream::Stdout() {
  return brimloft::ComPtr<FdWriteStream>::Attach(new FdWriteStream(STDOUT_FILENO, false, "standard output"));
}

brimloft::ComPtr<FdWriteStream> FdWriteStream::Adopt(int fd, std::string name) {
  return brimloft::ComPtr<FdWriteStream>::Attach(new FdWriteStream(fd, true, std::move(name)));
}

FdWriteStream::~FdWriteStream() {
  if (!closed_ && owned_) ::close(fd_);
}

HRESULT FdWriteStream::WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) {
  if (pvBuffer == nullptr && cbBuffer > 0) return E_POINTER;
  if (pcbWritten) *pcbWritten = 0;
  std::lock_guard<std::mutex> lock(writeMutex_);
  if (closed_) return E_HANDLE;
  const auto* p = static_cast<const unsigned char*>(pvBuffer);
  ULONG done = 0;
  while (done < cbBuffer) {
    const ssize_t n = ::write(fd_, p + done, cbBuffer - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int e = n < 0 ? errno : EIO;
      SetError("writing to " + name_ + ": " + std::strerror(e));
      if (pcbWritten) *pcbWritten = done;
      written_ += done;
      return e == EPIPE ? HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE)
             : e == ENOSPC || e == EDQUOT ? HRESULT_FROM_WIN32(ERROR_DISK_FULL)
                                           : HRESULT_FROM_WIN32(ERROR_WRITE_FAULT);
    }
    done += static_cast<ULONG>(n);
  }
  written_ += done;
  if (pcbWritten) *pcbWritten = done;
  return S_OK;
}

void FdWriteStream::Close() {
  std::lock_guard<std::mutex> lock(writeMutex_);
  ++closes_;
  if (closed_) return;
  closed_ = true;
  if (owned_ && ::close(fd_) != 0) SetError("closing " + name_ + ": " + std::strerror(errno));
}

brimloft::ComPtr<MemoryWriteStream> MemoryWriteStream::Create() {
  return brimloft::ComPtr<MemoryWriteStream>::Attach(new MemoryWriteStream());
}

void MemoryWriteStream::FailBeyond(unsigned long long limit, HRESULT hr) {
  std::lock_guard<std::mutex> lock(dataMutex_);
  limit_ = limit;
  failure_ = hr;
}

std::vector<unsigned char> MemoryWriteStream::Bytes() const {
  std::lock_guard<std::mutex> lock(dataMutex_);
  return bytes_;
}

std::vector<ULONG> MemoryWriteStream::WriteSizes() const {
  std::lock_guard<std::mutex> lock(dataMutex_);
  return sizes_;
}

HRESULT MemoryWriteStream::WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) {
  if (pvBuffer == nullptr && cbBuffer > 0) return E_POINTER;
  if (pcbWritten) *pcbWritten = 0;
  std::lock_guard<std::mutex> lock(dataMutex_);
  if (closes_ > 0) return E_HANDLE;
  if (bytes_.size() + cbBuffer > limit_) {
    SetError("write beyond the test limit");
    return failure_;
  }
  const auto* p = static_cast<const unsigned char*>(pvBuffer);
  bytes_.insert(bytes_.end(), p, p + cbBuffer);
  sizes_.push_back(cbBuffer);
  written_ += cbBuffer;
  if (pcbWritten) *pcbWritten = cbBuffer;
  return S_OK;
}

void MemoryWriteStream::Close() { ++closes_; }

}  // namespace brimloft::host
