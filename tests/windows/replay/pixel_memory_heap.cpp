// The Windows test host takes pixels from the C heap: it has no mappings of the Linux kind.
#include "wic/pixel_memory.h"

#include <cstdlib>

namespace platform::wic {

PixelMemory AllocatePixels(std::size_t size, bool zero) {
  return PixelMemory(static_cast<BYTE*>(zero ? std::calloc(size, 1) : std::malloc(size)), PixelMemoryRelease{});
}

void PixelMemoryRelease::operator()(BYTE* pixels) const noexcept { std::free(pixels); }

}  // namespace platform::wic
