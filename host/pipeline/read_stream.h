// IPrintReadStream over bytes in memory, shared between the streams of one part.
#ifndef BRIMLOFT_HOST_PIPELINE_READ_STREAM_H
#define BRIMLOFT_HOST_PIPELINE_READ_STREAM_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <memory>
#include <vector>

#include "module/ComPtr.h"
#include "platform/com_object.h"

namespace brimloft::host {

using Bytes = std::vector<unsigned char>;

class ReadStream final : public platform::ComObject<IPrintReadStream, &IID_IPrintReadStream> {
 public:
  static brimloft::ComPtr<IPrintReadStream> Create(std::shared_ptr<const Bytes> bytes);

  // Seek: STREAM_SEEK_SET/CUR/END; a position before the start is STG_E_INVALIDFUNCTION, an
  // unknown origin STG_E_INVALIDFUNCTION; positions past the end are allowed and read nothing.
  HRESULT STDMETHODCALLTYPE Seek(LONGLONG dlibMove, DWORD dwOrigin, ULONGLONG* plibNewPosition) override;
  // Copies up to cbRequested bytes; the end-of-file flag is TRUE when the position has reached
  // the end after the read. E_POINTER for a null count pointer or a null buffer with bytes asked.
  HRESULT STDMETHODCALLTYPE ReadBytes(void* pvBuffer, ULONG cbRequested, ULONG* pcbRead, BOOL* pbEndOfFile) override;

 private:
  explicit ReadStream(std::shared_ptr<const Bytes> bytes) : bytes_(std::move(bytes)) {}
  std::shared_ptr<const Bytes> bytes_;
  ULONGLONG position_ = 0;
};

// IPrintReadStreamFactory handing out a fresh stream over the same bytes on every call.
class ReadStreamFactory final : public platform::ComObject<IPrintReadStreamFactory, &IID_IPrintReadStreamFactory> {
 public:
  static brimloft::ComPtr<IPrintReadStreamFactory> Create(std::shared_ptr<const Bytes> bytes);
  HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** ppStream) override;

 private:
  explicit ReadStreamFactory(std::shared_ptr<const Bytes> bytes) : bytes_(std::move(bytes)) {}
  std::shared_ptr<const Bytes> bytes_;
};

}  // namespace brimloft::host

#endif
