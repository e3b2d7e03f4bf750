// IStream over a global memory block, and the shell's stream helpers.
#include <objbase.h>
#include <shlwapi.h>

#include <platform/com_object.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

// The block shared by a stream and its clones; freed with the last of them when asked to.
struct SharedBlock {
  HGLOBAL handle;
  bool deleteOnRelease;
  ULONGLONG size;
  ~SharedBlock() {
    if (deleteOnRelease) GlobalFree(handle);
  }
};

class HGlobalStream final : public platform::ComObject<IStream, &IID_IStream, &IID_ISequentialStream> {
 public:
  explicit HGlobalStream(std::shared_ptr<SharedBlock> block) : block_(std::move(block)) {}

  HGLOBAL Handle() const { return block_->handle; }

  HRESULT STDMETHODCALLTYPE Read(void* pv, ULONG cb, ULONG* pcbRead) override {
    if (pcbRead) *pcbRead = 0;
    if (pv == nullptr) return STG_E_INVALIDPOINTER;
    const ULONGLONG available = position_ < block_->size ? block_->size - position_ : 0;
    const ULONG count = static_cast<ULONG>(std::min<ULONGLONG>(cb, available));
    if (count != 0) {
      void* data = GlobalLock(block_->handle);
      if (data == nullptr) return E_OUTOFMEMORY;
      std::memcpy(pv, static_cast<char*>(data) + position_, count);
      GlobalUnlock(block_->handle);
      position_ += count;
    }
    if (pcbRead) *pcbRead = count;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Write(const void* pv, ULONG cb, ULONG* pcbWritten) override {
    if (pcbWritten) *pcbWritten = 0;
    if (pv == nullptr) return STG_E_INVALIDPOINTER;
    if (cb == 0) return S_OK;
    const ULONGLONG end = position_ + cb;
    if (end > block_->size) {
      const HRESULT hr = Resize(end);
      if (FAILED(hr)) return hr;
    }
    void* data = GlobalLock(block_->handle);
    if (data == nullptr) return E_OUTOFMEMORY;
    std::memcpy(static_cast<char*>(data) + position_, pv, cb);
    GlobalUnlock(block_->handle);
    position_ = end;
    if (pcbWritten) *pcbWritten = cb;
    return S_OK;
  }

  // A failed seek leaves the position where it was and still reports it, as Windows does.
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override {
    const HRESULT hr = MoveTo(move.QuadPart, origin);
    if (newPosition) newPosition->QuadPart = position_;
    return hr;
  }

  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override { return Resize(newSize.QuadPart); }

  HRESULT STDMETHODCALLTYPE CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* pcbRead,
                                   ULARGE_INTEGER* pcbWritten) override {
    if (pcbRead) pcbRead->QuadPart = 0;
    if (pcbWritten) pcbWritten->QuadPart = 0;
    if (target == nullptr) return STG_E_INVALIDPOINTER;
    ULONGLONG remaining = cb.QuadPart;
    char buffer[65536];
    while (remaining != 0) {
      ULONG read = 0;
      HRESULT hr = Read(buffer, static_cast<ULONG>(std::min<ULONGLONG>(remaining, sizeof buffer)), &read);
      if (FAILED(hr)) return hr;
      if (read == 0) break;
      if (pcbRead) pcbRead->QuadPart += read;
      ULONG written = 0;
      hr = target->Write(buffer, read, &written);
      if (pcbWritten) pcbWritten->QuadPart += written;
      if (FAILED(hr)) return hr;
      remaining -= read;
    }
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
  HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override {
    return STG_E_INVALIDFUNCTION;
  }

  HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override {
    if (stat == nullptr) return STG_E_INVALIDPOINTER;
    std::memset(stat, 0, sizeof *stat);
    stat->type = STGTY_STREAM;
    stat->cbSize.QuadPart = block_->size;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE Clone(IStream** clone) override {
    if (clone == nullptr) return STG_E_INVALIDPOINTER;
    auto* copy = new (std::nothrow) HGlobalStream(block_);
    if (copy == nullptr) return E_OUTOFMEMORY;
    copy->position_ = position_;
    *clone = copy;
    return S_OK;
  }

 private:
  HRESULT MoveTo(LONGLONG move, DWORD origin) {
    LONGLONG base;
    switch (origin) {
      case STREAM_SEEK_SET: base = 0; break;
      case STREAM_SEEK_CUR: base = static_cast<LONGLONG>(position_); break;
      case STREAM_SEEK_END: base = static_cast<LONGLONG>(block_->size); break;
      default: return STG_E_INVALIDFUNCTION;
    }
    LONGLONG target;
    if (__builtin_add_overflow(base, move, &target) || target < 0) return STG_E_SEEKERROR;
    position_ = static_cast<ULONGLONG>(target);
    return S_OK;
  }

  HRESULT Resize(ULONGLONG size) {
    if (size > 0xFFFFFFFFull) return STG_E_MEDIUMFULL;
    HGLOBAL moved = GlobalReAlloc(block_->handle, static_cast<SIZE_T>(size), GMEM_MOVEABLE);
    if (moved == nullptr) return E_OUTOFMEMORY;
    block_->handle = moved;
    block_->size = size;
    return S_OK;
  }

  std::shared_ptr<SharedBlock> block_;
  ULONGLONG position_ = 0;
};

}  // namespace

extern "C" HRESULT WINAPI CreateStreamOnHGlobal(HGLOBAL hGlobal, BOOL fDeleteOnRelease, LPSTREAM* ppstm) {
  if (ppstm == nullptr) return E_INVALIDARG;
  *ppstm = nullptr;
  if (hGlobal == nullptr) {
    hGlobal = GlobalAlloc(GMEM_MOVEABLE, 0);
    if (hGlobal == nullptr) return E_OUTOFMEMORY;
  }
  SetLastError(ERROR_SUCCESS);
  const SIZE_T size = GlobalSize(hGlobal);
  if (size == 0 && GetLastError() == ERROR_INVALID_HANDLE) return E_INVALIDARG;
  auto block = std::shared_ptr<SharedBlock>(new (std::nothrow) SharedBlock{hGlobal, fDeleteOnRelease != FALSE, size});
  if (!block) return E_OUTOFMEMORY;
  auto* stream = new (std::nothrow) HGlobalStream(std::move(block));
  if (stream == nullptr) return E_OUTOFMEMORY;
  *ppstm = stream;
  return S_OK;
}

extern "C" HRESULT WINAPI GetHGlobalFromStream(LPSTREAM pstm, HGLOBAL* phglobal) {
  if (phglobal == nullptr) return E_INVALIDARG;
  *phglobal = nullptr;
  auto* stream = dynamic_cast<HGlobalStream*>(pstm);
  if (stream == nullptr) return E_INVALIDARG;
  *phglobal = stream->Handle();
  return S_OK;
}

extern "C" HRESULT WINAPI IStream_Write(IStream* pstm, const void* pv, ULONG cb) {
  ULONG written = 0;
  HRESULT hr = pstm->Write(pv, cb, &written);
  if (SUCCEEDED(hr) && written != cb) hr = E_FAIL;
  return hr;
}

extern "C" HRESULT WINAPI IStream_Read(IStream* pstm, void* pv, ULONG cb) {
  ULONG read = 0;
  HRESULT hr = pstm->Read(pv, cb, &read);
  if (SUCCEEDED(hr) && read != cb) hr = E_FAIL;
  return hr;
}

extern "C" HRESULT WINAPI IStream_Reset(IStream* pstm) {
  LARGE_INTEGER zero{};
  return pstm->Seek(zero, STREAM_SEEK_SET, nullptr);
}

extern "C" HRESULT WINAPI IStream_Size(IStream* pstm, ULARGE_INTEGER* pui) {
  STATSTG stat{};
  HRESULT hr = pstm->Stat(&stat, STATFLAG_NONAME);
  if (SUCCEEDED(hr)) *pui = stat.cbSize;
  return hr;
}
