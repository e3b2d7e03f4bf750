// What the fuzz targets share: a process-wide set-up (a private temporary folder for the ticket
// snapshot, the multithreaded apartment) and a reader that takes parameters from the input's head.
#ifndef BRIMLOFT_FUZZ_FUZZ_SUPPORT_H
#define BRIMLOFT_FUZZ_FUZZ_SUPPORT_H

#include <windows.h>
#include <objbase.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace brimloft::fuzz {

// Joins the multithreaded apartment and points TMPDIR at a new private folder, once per process,
// so that the snapshot each input writes or reads is the fuzzer's own.
// The folder is removed when the process exits.
inline void SetUpProcess() {
  static char folder[] = "/tmp/brimloft-fuzz-XXXXXX";
  static const bool done = [] {
    if (mkdtemp(folder) == nullptr || setenv("TMPDIR", folder, 1) != 0) std::abort();
    std::atexit([] {
      std::error_code ignored;
      std::filesystem::remove_all(folder, ignored);
    });
    if (FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) std::abort();
    return true;
  }();
  (void)done;
}

// Takes fixed-size parameters from the front of the input; past its end every value is 0.
class InputReader {
 public:
  InputReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint16_t Word() { return static_cast<std::uint16_t>(Byte() | (Byte() << 8)); }
  // One of count choices (count >= 1).
  std::size_t Choice(std::size_t count) { return Byte() % count; }
  std::string Rest() {
    std::string rest(reinterpret_cast<const char*>(data_) + at_, size_ - at_);
    at_ = size_;
    return rest;
  }
  std::size_t Remaining() const { return size_ - at_; }

 private:
  const std::uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace brimloft::fuzz

#endif
