// The error model and the owner of global memory blocks.
#ifndef BRIMLOFT_MODULE_FILTERTYPES_H
#define BRIMLOFT_MODULE_FILTERTYPES_H

#include <windows.h>
#include <objbase.h>

#include <memory>

#include "module/trace_unit.h"

namespace brimloft {

// The one exception type of the module: a failure HRESULT. Deliberately not a std::exception.
struct hr_error {
  HRESULT hr;
};

// Writes the throw_hr trace record naming the failing unit and line, then throws hr_error{hr}.
[[noreturn]] void throw_hr(HRESULT hr, const char* unit, int line);

// Writes the failure trace record; used where a failure is returned or must not interrupt clean-up.
void trace_failure(HRESULT hr, const char* unit, int line, const wchar_t* text = L"");

// Throws through throw_hr when hr is a failure; a success code never reaches throw_hr.
inline void check_hr(HRESULT hr, const char* unit, int line) {
  if (FAILED(hr)) throw_hr(hr, unit, line);
}

// Each source file names its unit once, `constexpr auto kUnit = TraceUnit::PThandler;` (the host's
// tools and the tests: a name of their own), and reports through these, which add that unit and
// the line of the call.
#define BRIMLOFT_THROW(hr) ::brimloft::throw_hr((hr), ::brimloft::UnitName(kUnit), __LINE__)
#define BRIMLOFT_CHECK(hr) ::brimloft::check_hr((hr), ::brimloft::UnitName(kUnit), __LINE__)
#define BRIMLOFT_TRACE_FAILURE(hr, ...) \
  ::brimloft::trace_failure((hr), ::brimloft::UnitName(kUnit), __LINE__, ##__VA_ARGS__)

// HRESULT_FROM_WIN32 of GetLastError(); S_OK when the last error is 0 (nothing to raise).
HRESULT hr_from_last_error();

// Runs an entry point's work and translates what escapes it: std::bad_alloc to E_OUTOFMEMORY,
// hr_error to its HRESULT, another std::exception to E_FAIL, anything else to E_UNEXPECTED.
template <class Work>
HRESULT translate_exceptions(Work&& work) noexcept;

}  // namespace brimloft

// Owns one global memory block; frees it on destruction unless it was handed to a stream.
class SafeHGlobal {
 public:
  // The lock of one block: unlocks it on destruction, tracing (never raising) a failed unlock.
  class LockObject {
   public:
    LockObject(HGLOBAL block, void* data) noexcept : block_(block), data_(data) {}
    ~LockObject();
    LockObject(const LockObject&) = delete;
    LockObject& operator=(const LockObject&) = delete;
    void* data() const noexcept { return data_; }

   private:
    HGLOBAL block_;
    void* data_;
  };

  // Throws E_OUTOFMEMORY (unit "filtertypes") when the block cannot be allocated.
  SafeHGlobal(UINT flags, SIZE_T bytes);
  virtual ~SafeHGlobal();
  SafeHGlobal(const SafeHGlobal&) = delete;
  SafeHGlobal& operator=(const SafeHGlobal&) = delete;

  HGLOBAL get() const noexcept { return block_; }

  // Throws the converted last error when GlobalLock fails with one; an empty (discarded) block, or a
  // failure with last error 0, yields a lock with a null pointer, which unlocks nothing.
  std::unique_ptr<LockObject> Lock();

  // Wraps the block in a stream that frees it on its last release; the block is then the
  // stream's. Throws the CreateStreamOnHGlobal failure, keeping the block.
  IStream* ReleaseIntoStream();

 private:
  HGLOBAL block_;
};

#include "module/translate.inl"

#endif
