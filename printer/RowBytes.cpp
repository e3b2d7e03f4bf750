#include "printer/RowBytes.h"

#include <cstring>

namespace brimloft {

UINT BitsPerPixel(REFWICPixelFormatGUID format) noexcept {
  static const BYTE kFamilyTail[7] = {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9};
  if (format.Data1 != 0x6fddc324 || format.Data2 != 0x4e03 || format.Data3 != 0x4bfe) return 0;
  if (std::memcmp(format.Data4, kFamilyTail, sizeof kFamilyTail) != 0) return 0;
  switch (format.Data4[7]) {
    case 0x01: case 0x05: return 1;
    case 0x02: case 0x06: return 2;
    case 0x03: case 0x07: return 4;
    case 0x04: case 0x08: return 8;
    case 0x09: case 0x0a: case 0x0b: case 0x13: return 16;
    case 0x0c: case 0x0d: return 24;
    case 0x0e: case 0x0f: case 0x10: case 0x11: case 0x14: case 0x1c: return 32;
    case 0x12: case 0x15: return 48;
    case 0x16: case 0x17: return 64;
    case 0x18: return 96;
    case 0x19: case 0x1a: case 0x1b: return 128;
    default: return 0;
  }
}

UINT RowBytes(UINT width, REFWICPixelFormatGUID format) noexcept {
  return (width * BitsPerPixel(format) + 7u) / 8u;
}

}  // namespace brimloft
