// Moving rectangles of pixels: out of memory into a caller's buffer, and out of any bitmap source
// for the component's transforms, which read their source in rows.
#ifndef BRIMLOFT_PLATFORM_WIC_PIXEL_ROWS_H
#define BRIMLOFT_PLATFORM_WIC_PIXEL_ROWS_H

#include <wincodec.h>

#include "bitmap.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace platform::wic {

// Copies rectangle r of an image (rows of srcStride bytes, bpp bits per pixel) to dst, one row of
// the rectangle per dstStride bytes. Formats under 8 bits per pixel may start mid-byte; the bits
// past the rectangle in the last byte of each row are written as zero.
void CopyRect(const BYTE* src, std::size_t srcStride, UINT bpp, const WICRect& r, BYTE* dst,
              std::size_t dstStride);

// Reads rectangles of a source. A source that is one of this component's bitmaps is read in
// place; any other source through its CopyPixels into a buffer kept for reuse.
class SourceReader {
 public:
  SourceReader(IWICBitmapSource* source, UINT bpp);

  struct View {
    const BYTE* data;    // first row of the rectangle, starting at its left pixel
    std::size_t stride;  // bytes from one row to the next
  };
  // The pixels of r, valid until the next Read or the reader's end. Fails with what the source's
  // CopyPixels reports, WINCODEC_ERR_ALREADYLOCKED for a bitmap locked for writing, E_OUTOFMEMORY.
  View Read(const WICRect& r);

 private:
  IWICBitmapSource* source_;
  Bitmap* bitmap_;  // the source, when it is one of ours
  std::optional<Bitmap::ReadAccess> access_;
  UINT bpp_;
  std::vector<BYTE> buffer_;
};

}  // namespace platform::wic

#endif
