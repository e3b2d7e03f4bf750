#include "pixel_rows.h"

#include "pixel_format.h"
#include "wic_error.h"

#include <cstdint>
#include <cstring>

namespace platform::wic {
namespace {

// Copies nbits bits starting at bit srcBit of src (most significant first) to the start of dst.
void CopyBits(const BYTE* src, std::uint64_t srcBit, BYTE* dst, std::uint64_t nbits) {
  const BYTE* s = src + srcBit / 8;
  const unsigned shift = unsigned(srcBit % 8);
  const std::uint64_t whole = nbits / 8;
  for (std::uint64_t i = 0; i < whole; ++i)
    dst[i] = shift == 0 ? s[i] : BYTE((s[i] << shift) | (s[i + 1] >> (8 - shift)));
  const unsigned rest = unsigned(nbits % 8);
  if (rest == 0) return;
  unsigned v = unsigned(s[whole]) << shift;
  if (shift + rest > 8) v |= s[whole + 1] >> (8 - shift);
  dst[whole] = BYTE(v & (0xFF00u >> rest));
}

}  // namespace

void CopyRect(const BYTE* src, std::size_t srcStride, UINT bpp, const WICRect& r, BYTE* dst,
              std::size_t dstStride) {
  const std::uint64_t bitX = std::uint64_t(r.X) * bpp;
  const std::uint64_t bits = std::uint64_t(r.Width) * bpp;
  const BYTE* row = src + std::size_t(r.Y) * srcStride;
  for (INT y = 0; y < r.Height; ++y, row += srcStride, dst += dstStride) {
    if (bitX % 8 == 0 && bits % 8 == 0)
      std::memcpy(dst, row + bitX / 8, bits / 8);
    else
      CopyBits(row, bitX, dst, bits);
  }
}

namespace {

// The source as one of the component's bitmaps, or null. The reference the question adds is given
// back at once: the reader's caller holds the source.
Bitmap* OwnBitmap(IWICBitmapSource* source) {
  void* own = nullptr;
  if (source == nullptr || FAILED(source->QueryInterface(IID_PlatformWicBitmap, &own)) || own == nullptr)
    return nullptr;
  auto* bitmap = static_cast<Bitmap*>(static_cast<IWICBitmap*>(own));
  bitmap->Release();
  return bitmap;
}

}  // namespace

SourceReader::SourceReader(IWICBitmapSource* source, UINT bpp)
    : source_(source), bitmap_(OwnBitmap(source)), bpp_(bpp) {}

SourceReader::View SourceReader::Read(const WICRect& r) {
  if (bitmap_ != nullptr && (std::uint64_t(r.X) * bpp_) % 8 == 0) {
    if (!access_) access_.emplace(*bitmap_);
    const std::size_t stride = access_->Stride();
    return {access_->Pixels() + std::size_t(r.Y) * stride + std::size_t(r.X) * bpp_ / 8, stride};
  }
  const std::uint64_t row = RowBytes64(std::uint64_t(r.Width), bpp_);
  const std::uint64_t size = row * std::uint64_t(r.Height);
  if (row > UINT32_MAX || size > UINT32_MAX) Fail(E_OUTOFMEMORY);
  if (buffer_.size() < size) buffer_.resize(size);
  Check(source_->CopyPixels(&r, UINT(row), UINT(size), buffer_.data()));
  return {buffer_.data(), std::size_t(row)};
}

}  // namespace platform::wic
