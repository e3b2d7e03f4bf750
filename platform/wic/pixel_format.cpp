#include "pixel_format.h"

namespace platform::wic {
namespace {

// The standard family differs only in its last byte.
bool InStandardFamily(REFWICPixelFormatGUID f) {
  static const BYTE kHead[7] = {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9};
  if (f.Data1 != 0x6fddc324 || f.Data2 != 0x4e03 || f.Data3 != 0x4bfe) return false;
  for (int i = 0; i < 7; ++i)
    if (f.Data4[i] != kHead[i]) return false;
  return true;
}

}  // namespace

UINT BitsPerPixel(REFWICPixelFormatGUID format) {
  if (format == GUID_WICPixelFormat32bppRGB || format == GUID_WICPixelFormat32bppRGBA ||
      format == GUID_WICPixelFormat32bppPRGBA)
    return 32;
  if (!InStandardFamily(format)) return 0;
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

UINT ByteChannels(REFWICPixelFormatGUID format) {
  if (format == GUID_WICPixelFormat8bppGray) return 1;
  if (format == GUID_WICPixelFormat24bppBGR || format == GUID_WICPixelFormat24bppRGB) return 3;
  if (format == GUID_WICPixelFormat32bppBGRA || format == GUID_WICPixelFormat32bppPBGRA ||
      format == GUID_WICPixelFormat32bppBGR || format == GUID_WICPixelFormat32bppRGBA ||
      format == GUID_WICPixelFormat32bppPRGBA || format == GUID_WICPixelFormat32bppRGB)
    return 4;
  return 0;
}

bool ColourLayoutOf(REFWICPixelFormatGUID format, ColourLayout* layout) {
  if (format == GUID_WICPixelFormat32bppBGRA || format == GUID_WICPixelFormat32bppPBGRA ||
      format == GUID_WICPixelFormat32bppBGR) {
    *layout = {4, 0, 1, 2, false};
    return true;
  }
  if (format == GUID_WICPixelFormat32bppRGBA || format == GUID_WICPixelFormat32bppPRGBA ||
      format == GUID_WICPixelFormat32bppRGB) {
    *layout = {4, 2, 1, 0, false};
    return true;
  }
  if (format == GUID_WICPixelFormat24bppBGR) {
    *layout = {3, 0, 1, 2, false};
    return true;
  }
  if (format == GUID_WICPixelFormat24bppRGB) {
    *layout = {3, 2, 1, 0, false};
    return true;
  }
  if (format == GUID_WICPixelFormat8bppGray) {
    *layout = {1, 0, 0, 0, true};
    return true;
  }
  return false;
}

}  // namespace platform::wic
