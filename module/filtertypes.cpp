#include "module/filtertypes.h"

#include "module/trace.h"

namespace brimloft {

void throw_hr(HRESULT hr, const char* unit, int line) {
  BRIMLOFT_TRACE(trace::Raising, unit, line, static_cast<int>(hr));
  throw hr_error{hr};
}

void trace_failure(HRESULT hr, const char* unit, int line, const wchar_t* text) {
  BRIMLOFT_TRACE(trace::Failure, static_cast<int>(hr), unit, line, text);
}

HRESULT hr_from_last_error() {
  const DWORD error = GetLastError();
  return error == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(error);
}

}  // namespace brimloft

using brimloft::hr_from_last_error;

namespace {
constexpr auto kUnit = brimloft::TraceUnit::filtertypes;
}  // namespace

SafeHGlobal::SafeHGlobal(UINT flags, SIZE_T bytes) : block_(GlobalAlloc(flags, bytes)) {
  if (block_ == nullptr) BRIMLOFT_THROW(E_OUTOFMEMORY);
}

SafeHGlobal::~SafeHGlobal() {
  if (block_ != nullptr) GlobalFree(block_);
}

std::unique_ptr<SafeHGlobal::LockObject> SafeHGlobal::Lock() {
  SetLastError(ERROR_SUCCESS);
  void* data = GlobalLock(block_);
  // An empty block (a segment nothing was written to) has no memory to lock; Windows calls it
  // discarded. Its zero bytes need no pointer, so that is no failure.
  if (data == nullptr && GetLastError() != ERROR_DISCARDED) {
    const HRESULT hr = hr_from_last_error();
    if (FAILED(hr)) BRIMLOFT_THROW(hr);
  }
  auto lock = std::unique_ptr<LockObject>(new LockObject(block_, data));
  return lock;
}

SafeHGlobal::LockObject::~LockObject() {
  if (data_ == nullptr) return;  // nothing was locked
  SetLastError(ERROR_SUCCESS);
  if (!GlobalUnlock(block_)) {
    const HRESULT hr = hr_from_last_error();
    if (FAILED(hr)) BRIMLOFT_TRACE_FAILURE(hr);
  }
}

IStream* SafeHGlobal::ReleaseIntoStream() {
  IStream* stream = nullptr;
  const HRESULT hr = CreateStreamOnHGlobal(block_, TRUE, &stream);
  if (FAILED(hr)) BRIMLOFT_THROW(hr);
  block_ = nullptr;
  return stream;
}
