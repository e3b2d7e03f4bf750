#include <gtest/gtest.h>

#include "printer/RowBytes.h"

namespace brimloft {
namespace {

GUID Standard(BYTE last) {
  return {0x6fddc324, 0x4e03, 0x4bfe, {0xb1, 0x85, 0x3d, 0x77, 0x76, 0x8d, 0xc9, last}};
}

TEST(RowBytes, BitsPerPixelOfTheStandardFamilyByItsLastByte) {
  const std::pair<BYTE, UINT> cases[] = {
      {0x01, 1},  {0x05, 1},  {0x02, 2},  {0x06, 2},  {0x03, 4},  {0x07, 4},  {0x04, 8},  {0x08, 8},
      {0x09, 16}, {0x0A, 16}, {0x0B, 16}, {0x13, 16}, {0x0C, 24}, {0x0D, 24}, {0x0E, 32}, {0x0F, 32},
      {0x10, 32}, {0x11, 32}, {0x14, 32}, {0x1C, 32}, {0x12, 48}, {0x15, 48}, {0x16, 64}, {0x17, 64},
      {0x18, 96}, {0x19, 128}, {0x1A, 128}, {0x1B, 128}, {0x00, 0},  {0x1D, 0},  {0xFF, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, BitsPerPixel(Standard(c.first))) << int(c.first);
}

TEST(RowBytes, IdentifiersOutsideTheFamilyHaveNoRowBytes) {
  GUID other = Standard(0x05);
  other.Data4[6] = 0xC8;
  EXPECT_EQ(0u, BitsPerPixel(other));
  EXPECT_EQ(0u, RowBytes(576, other));
  EXPECT_EQ(0u, BitsPerPixel(GUID_WICPixelFormat32bppRGBA));
  other = Standard(0x05);
  other.Data1 = 0x6fddc325;
  EXPECT_EQ(0u, RowBytes(576, other));
}

TEST(RowBytes, RoundsWholeRowsUpToBytes) {
  EXPECT_EQ(104u, RowBytes(832));
  EXPECT_EQ(72u, RowBytes(576));
  EXPECT_EQ(54u, RowBytes(432));
  EXPECT_EQ(0u, RowBytes(0));
  EXPECT_EQ(1u, RowBytes(1));
  EXPECT_EQ(1u, RowBytes(8));
  EXPECT_EQ(2u, RowBytes(9));
  EXPECT_EQ(9u, RowBytes(3, GUID_WICPixelFormat24bppBGR));
  EXPECT_EQ(2304u, RowBytes(576, GUID_WICPixelFormat32bppBGRA));
  EXPECT_EQ(3u, RowBytes(5, GUID_WICPixelFormat4bppGray));
}

}  // namespace
}  // namespace brimloft
