#include "printer/BandImage.h"

#include <cstdint>
#include <cstring>

namespace brimloft {

namespace {

// Transposes an 8 x 8 bit matrix held with row 0 in the most significant byte and column 0 in the
// top bit of each byte: afterwards byte i (from the top) holds column i, row 0 in its top bit.
inline std::uint64_t Transpose8x8(std::uint64_t x) noexcept {
  x = (x & 0xAA55AA55AA55AA55ull) | ((x & 0x00AA00AA00AA00AAull) << 7) | ((x >> 7) & 0x00AA00AA00AA00AAull);
  x = (x & 0xCCCC3333CCCC3333ull) | ((x & 0x0000CCCC0000CCCCull) << 14) | ((x >> 14) & 0x0000CCCC0000CCCCull);
  x = (x & 0xF0F0F0F00F0F0F0Full) | ((x & 0x00000000F0F0F0F0ull) << 28) | ((x >> 28) & 0x00000000F0F0F0F0ull);
  return x;
}

}  // namespace

UINT ExtractBand(const BYTE* image, std::size_t rowBytes, UINT width, UINT height, UINT band,
                 BYTE* columns) noexcept {
  std::memset(columns, 0, std::size_t(3) * width);
  const UINT firstRow = band * kBandRows;
  const UINT byteColumns = (width + 7) / 8;
  UINT used = 0;
  // Each group of 8 rows gives one of the three bytes of every column.
  for (UINT group = 0; group < 3; ++group) {
    const UINT groupRow = firstRow + group * 8;
    if (groupRow >= height) break;
    const UINT rows = height - groupRow < 8 ? height - groupRow : 8;
    const BYTE* rowStart[8];
    for (UINT r = 0; r < rows; ++r) rowStart[r] = image + std::size_t(groupRow + r) * rowBytes;
    for (UINT bx = 0; bx < byteColumns; ++bx) {
      // Paper is mostly white: 64 columns of the group without a dot are passed at once (the spare
      // bits of a row's last byte are 0, so its byte is never passed this way).
      if (bx % 8 == 0 && bx + 8 <= byteColumns) {
        std::uint64_t white = ~std::uint64_t(0);
        for (UINT r = 0; r < rows; ++r) {
          std::uint64_t bytes;
          std::memcpy(&bytes, rowStart[r] + bx, 8);
          white &= bytes;
        }
        if (white == ~std::uint64_t(0)) {
          bx += 7;
          continue;
        }
      }
      std::uint64_t dots = 0;
      for (UINT r = 0; r < rows; ++r) {
        dots |= std::uint64_t(static_cast<BYTE>(~rowStart[r][bx])) << (56 - 8 * r);
      }
      if (dots == 0) continue;
      dots = Transpose8x8(dots);
      const UINT x0 = bx * 8;
      const UINT count = width - x0 < 8 ? width - x0 : 8;
      BYTE* out = columns + std::size_t(3) * x0 + group;
      for (UINT i = 0; i < count; ++i) {
        out[3 * i] = static_cast<BYTE>(dots >> (56 - 8 * i));
        if (out[3 * i] != 0 && x0 + i + 1 > used) used = x0 + i + 1;
      }
    }
  }
  return used;
}

}  // namespace brimloft
