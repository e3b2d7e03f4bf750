// Re-cuts a one-bit image (bit 1 white, leftmost pixel in the top bit) into bands of 24 dot rows
// sent column by column.
#ifndef BRIMLOFT_PRINTER_BANDIMAGE_H
#define BRIMLOFT_PRINTER_BANDIMAGE_H

#include <windows.h>

#include <cstddef>

namespace brimloft {

constexpr UINT kBandRows = 24;

// Number of bands of an image of height rows: one per 24 rows, the last one possibly partial.
inline UINT BandCount(UINT height) noexcept { return (height + kBandRows - 1) / kBandRows; }

// Writes band `band` (rows 24 * band to 24 * band + 23; rows at or past height count as white)
// into columns: 3 bytes per column for width columns, a set bit being a dot, the band's top row in
// the top bit of the first byte. Returns the used width: the number of columns up to and including
// the last one with a dot (0 for a blank band). image holds height rows of rowBytes bytes;
// rowBytes must be at least (width + 7) / 8 and columns must hold 3 * width bytes. Never fails.
UINT ExtractBand(const BYTE* image, std::size_t rowBytes, UINT width, UINT height, UINT band,
                 BYTE* columns) noexcept;

}  // namespace brimloft

#endif
