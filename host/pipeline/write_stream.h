// IPrintWriteStream: the filter's output, to a file, stdout or a device node, or to memory.
#ifndef BRIMLOFT_HOST_PIPELINE_WRITE_STREAM_H
#define BRIMLOFT_HOST_PIPELINE_WRITE_STREAM_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "module/ComPtr.h"
#include "platform/com_object.h"

namespace brimloft::host {

// What every host writer reports besides the interface.
class WriteStreamBase : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  unsigned long long BytesWritten() const noexcept { return written_.load(); }
  int CloseCount() const noexcept { return closes_.load(); }
  // The text of the last failure (write or close); empty when none.
  std::string LastError() const;

 protected:
  void SetError(const std::string& text);
  std::atomic<unsigned long long> written_{0};
  std::atomic<int> closes_{0};

 private:
  mutable std::mutex mutex_;
  std::string error_;
};

class FdWriteStream final : public WriteStreamBase {
 public:
  // Creates or truncates a regular file; opens a device node or FIFO as it is. Throws HostError
  // with the system's reason when it cannot be opened.
  static brimloft::ComPtr<FdWriteStream> OpenPath(const std::string& path);
  // Standard output; Close flushes nothing and leaves descriptor 1 open for the process.
  static brimloft::ComPtr<FdWriteStream> Stdout();
  // Takes over an open descriptor (a temporary file, a socket), closed by Close; name is for messages.
  static brimloft::ComPtr<FdWriteStream> Adopt(int fd, std::string name);

  // Writes the whole buffer or fails: ERROR_BROKEN_PIPE when the reader went away, ERROR_DISK_FULL,
  // ERROR_WRITE_FAULT otherwise, E_HANDLE after Close; E_POINTER for a null buffer with bytes.
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) override;
  // Closes the descriptor (once); a failing close is kept as LastError.
  void STDMETHODCALLTYPE Close() override;

 private:
  FdWriteStream(int fd, bool owned, std::string name) : fd_(fd), owned_(owned), name_(std::move(name)) {}
  ~FdWriteStream() override;
  int fd_;
  bool owned_;
  std::string name_;
  bool closed_ = false;
  std::mutex writeMutex_;
};

class MemoryWriteStream final : public WriteStreamBase {
 public:
  static brimloft::ComPtr<MemoryWriteStream> Create();

  // Makes every write that would take the total beyond limit fail with hr (nothing is kept of it).
  void FailBeyond(unsigned long long limit, HRESULT hr);
  std::vector<unsigned char> Bytes() const;
  // The size of each WriteBytes call that succeeded, in order.
  std::vector<ULONG> WriteSizes() const;

  HRESULT STDMETHODCALLTYPE WriteBytes(const void* pvBuffer, ULONG cbBuffer, ULONG* pcbWritten) override;
  void STDMETHODCALLTYPE Close() override;

 private:
  MemoryWriteStream() = default;
  mutable std::mutex dataMutex_;
  std::vector<unsigned char> bytes_;
  std::vector<ULONG> sizes_;
  unsigned long long limit_ = ~0ull;
  HRESULT failure_ = S_OK;
};

}  // namespace brimloft::host

#endif
