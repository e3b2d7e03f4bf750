#include "host/pipeline/read_stream.h"

#include <algorithm>
#include <cstring>

namespace brimloft::host {

brimloft::ComPtr<IPrintReadStream> ReadStream::Create(std::shared_ptr<const Bytes> bytes) {
  return brimloft::ComPtr<IPrintReadStream>::Attach(new ReadStream(std::move(bytes)));
}

HRESULT ReadStream::Seek(LONGLONG dlibMove, DWORD dwOrigin, ULONGLONG* plibNewPosition) {
  LONGLONG base;
  switch (dwOrigin) {
    case STREAM_SEEK_SET: base = 0; break;
    case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
    case STREAM_SEEK_END: base = static_cast<LONGLONG>(bytes_->size()); break;
    default: return STG_E_INVALIDFUNCTION;
  }
  if (dlibMove < 0 && base + dlibMove < 0) return STG_E_INVALIDFUNCTION;
  if (dlibMove > 0 && base > INT64_MAX - dlibMove) return STG_E_INVALIDFUNCTION;
  position_ = static_cast<ULONGLONG>(base + dlibMove);
  if (plibNewPosition) *plibNewPosition = position_;
  return S_OK;
}

HRESULT ReadStream::ReadBytes(void* pvBuffer, ULONG cbRequested, ULONG* pcbRead, BOOL* pbEndOfFile) {
  if (pcbRead == nullptr || (pvBuffer == nullptr && cbRequested > 0)) return E_POINTER;
  const ULONGLONG size = bytes_->size();
  const ULONGLONG left = position_ < size ? size - position_ : 0;
  const ULONG count = static_cast<ULONG>(std::min<ULONGLONG>(left, cbRequested));
  if (count > 0) std::memcpy(pvBuffer, bytes_->data() + position_, count);
  position_ += count;
  *pcbRead = count;
  if (pbEndOfFile) *pbEndOfFile = position_ >= size ? TRUE : FALSE;
  return S_OK;
}

brimloft::ComPtr<IPrintReadStreamFactory> ReadStreamFactory::Create(std::shared_ptr<const Bytes> bytes) {
  return brimloft::ComPtr<IPrintReadStreamFactory>::Attach(new ReadStreamFactory(std::move(bytes)));
}

HRESULT ReadStreamFactory::GetStream(IPrintReadStream** ppStream) {
  if (ppStream == nullptr) return E_POINTER;
  *ppStream = ReadStream::Create(bytes_).Detach();
  return S_OK;
}

}  // namespace brimloft::host
