// Memory for a bitmap's pixels: pixel_memory.cpp here, and the Windows test host's own
// (tests/windows/replay/pixel_memory_heap.cpp), which takes every block from the C heap.
#ifndef BRIMLOFT_PLATFORM_WIC_PIXEL_MEMORY_H
#define BRIMLOFT_PLATFORM_WIC_PIXEL_MEMORY_H

#include <windows.h>

#include <cstddef>
#include <memory>

namespace platform::wic {

struct PixelMemoryRelease {
  void* base = nullptr;    // a mapping of its own, or nullptr for a block from the C heap
  std::size_t length = 0;  // of that mapping
  void operator()(BYTE* pixels) const noexcept;
};
using PixelMemory = std::unique_ptr<BYTE[], PixelMemoryRelease>;

// size bytes (not 0), all zero when zero is set; empty when the system has no memory for them.
PixelMemory AllocatePixels(std::size_t size, bool zero);

}  // namespace platform::wic

#endif
