#include "pixel_memory.h"

#include <sys/mman.h>

#include <cstdint>
#include <cstdlib>

namespace platform::wic {

namespace {
constexpr std::size_t kHugePage = std::size_t(2) << 20;
}  // namespace

PixelMemory AllocatePixels(std::size_t size, bool zero) {
  if (size >= kHugePage) {
    // A large block (the strips of a page are megabytes) is mapped on its own, aligned so that the
    // system may back it with huge pages: it arrives zeroed, and costs a few page faults instead of
    // one per 4 KiB, which on a virtual machine cost more than drawing the pixels.
    const std::size_t length = size + kHugePage;
    void* base = mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (base == MAP_FAILED) return PixelMemory(nullptr, PixelMemoryRelease{});
    auto* pixels = reinterpret_cast<BYTE*>((reinterpret_cast<std::uintptr_t>(base) + kHugePage - 1) & ~(kHugePage - 1));
    madvise(pixels, size, MADV_HUGEPAGE);  // a hint: where refused, the pages are ordinary
    return PixelMemory(pixels, PixelMemoryRelease{base, length});
  }
  // calloc: a block that comes from the system already zero is not cleared a second time.
  return PixelMemory(static_cast<BYTE*>(zero ? std::calloc(size, 1) : std::malloc(size)), PixelMemoryRelease{});
}

void PixelMemoryRelease::operator()(BYTE* pixels) const noexcept {
  if (base != nullptr)
    munmap(base, length);
  else
    std::free(pixels);
}

}  // namespace platform::wic
