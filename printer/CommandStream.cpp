// The printer command stream: prologues, band and raster image commands, trailers.
#include <shlwapi.h>

#include "module/filtertypes.h"
#include "printer/BandImage.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printer/RowBytes.h"

namespace brimloft {

namespace {

constexpr char kUnit[] = "BrimloftBitmapHandler";

constexpr BYTE kBandPrologue[] = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08};
// 40 02 is 576, the row width in dots that raster mode counts with whatever the head.
constexpr BYTE kRasterPrologue[] = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x02};
constexpr BYTE kBandImage[] = {0x1B, 0x2A, 0x21};
constexpr BYTE kRasterBlock[] = {0x1B, 0x2A, 0x62};
constexpr BYTE kBandEnd[] = {0x1B, 0x41, 0x08};
constexpr BYTE kClosing[] = {0x1B, 0x7A, 0x30};
constexpr BYTE kFullCut[] = {0x1B, 0x77};
constexpr BYTE kPartialCut[] = {0x1B, 0x6D};

// Raster blocks carry at most 256 rows of 72 bytes; the count n announces n * 72 bytes.
constexpr std::size_t kRasterRowBytes = 72;
constexpr std::size_t kRasterBlockBytes = 256 * kRasterRowBytes;

template <std::size_t N>
void WriteCommand(IStream* stream, const BYTE (&bytes)[N], ULONG& count) {
  for (BYTE b : bytes) WriteByte(stream, b, count);
}

template <std::size_t N>
void Append(std::vector<BYTE>& out, const BYTE (&bytes)[N]) {
  out.insert(out.end(), bytes, bytes + N);
}

void AppendCount(std::vector<BYTE>& out, std::size_t n) {
  out.push_back(static_cast<BYTE>(n & 0xFF));
  out.push_back(static_cast<BYTE>((n >> 8) & 0xFF));
}

void WriteBands(std::vector<BYTE>& out, const BYTE* image, UINT width, UINT height, bool continuous) {
  const UINT bands = BandCount(height);
  if (bands == 0) return;
  const std::size_t rowBytes = RowBytes(width);
  std::vector<BYTE> columns(std::size_t(3) * width);
  // Continuous printing sends no blank band before the strip's first band with a dot or after its
  // last; blank bands between two bands with dots each become a lone band end.
  bool started = false;
  UINT pendingBlank = 0;
  for (UINT band = 0; band < bands; ++band) {
    const UINT used = ExtractBand(image, rowBytes, width, height, band, columns.data());
    if (!continuous) {
      WriteBandCommand(out, columns.data(), used);
      continue;
    }
    if (used == 0) {
      ++pendingBlank;
      continue;
    }
    if (started) {
      for (; pendingBlank > 0; --pendingBlank) WriteBandCommand(out, nullptr, 0);
    }
    started = true;
    pendingBlank = 0;
    WriteBandCommand(out, columns.data(), used);
  }
}

// Image bytes complemented (a set bit is a dot). A last block whose length is not a whole number of
// 72-byte rows (the 432- and 832-dot heads) is padded with blank bytes to the next whole row, so
// that the count always announces exactly the bytes that follow.
void WriteRaster(std::vector<BYTE>& out, const BYTE* image, std::size_t length) {
  for (std::size_t i = 0; i < length;) {
    const std::size_t c = length - i < kRasterBlockBytes ? length - i : kRasterBlockBytes;
    const std::size_t rows = (c + kRasterRowBytes - 1) / kRasterRowBytes;
    Append(out, kRasterBlock);
    AppendCount(out, rows);
    const std::size_t start = out.size();
    out.resize(start + rows * kRasterRowBytes, 0);
    BYTE* dst = out.data() + start;
    const BYTE* src = image + i;
    for (std::size_t k = 0; k < c; ++k) dst[k] = static_cast<BYTE>(~src[k]);
    i += c;
  }
  Append(out, kBandEnd);
}

}  // namespace

void WriteByte(IStream* stream, BYTE value, ULONG& count) {
  check_hr(IStream_Write(stream, &value, 1), kUnit, __LINE__);
  ++count;
}

ULONG WriteBandCommand(std::vector<BYTE>& out, const BYTE* columns, UINT usedWidth) {
  ULONG written = 0;
  if (usedWidth >= 1) {
    Append(out, kBandImage);
    AppendCount(out, usedWidth);
    out.insert(out.end(), columns, columns + std::size_t(3) * usedWidth);
    written += 5 + 3 * usedWidth;
  }
  Append(out, kBandEnd);
  return written + 3;
}

ULONG BrimloftBitmapHandler::WritePrologue(IStream* segment) {
  ULONG count = 0;
  if (LookupOption("QVPrintType") == "Horizontal") {
    WriteCommand(segment, kRasterPrologue, count);
  } else {
    WriteCommand(segment, kBandPrologue, count);
  }
  return count;
}

std::vector<BYTE> BrimloftBitmapHandler::WriteImageCommands(const BYTE* image, std::size_t length, UINT width,
                                                            UINT height) const {
  if (length != std::size_t(RowBytes(width)) * height || (image == nullptr && length != 0)) {
    throw_hr(E_INVALIDARG, kUnit, __LINE__);
  }
  const bool continuous = LookupOption("QVPrintContinuous") == "S";
  std::vector<BYTE> out;
  if (LookupOption("QVPrintType") == "Horizontal") {
    out.reserve(length + (length / kRasterBlockBytes + 1) * (5 + kRasterRowBytes) + 3);
    WriteRaster(out, image, length);
  } else {
    WriteBands(out, image, width, height, continuous);
  }
  return out;
}

ULONG BrimloftBitmapHandler::WriteTrailer(INT pageIndex, IStream* segment) {
  const bool continuous = LookupOption("QVPrintContinuous") == "S";
  const std::string cutType = LookupOption("QVCutType");
  ULONG count = 0;
  if (continuous && pageIndex == 0) {
    for (int i = 0; i < 3; ++i) WriteCommand(segment, kBandEnd, count);
  }
  WriteCommand(segment, kClosing, count);
  const bool cutDue = continuous ? pageIndex == 0 : pageIndex != 0;
  if (cutType != "S" && cutDue) {
    if (cutType == "P") {
      WriteCommand(segment, kPartialCut, count);
    } else {
      WriteCommand(segment, kFullCut, count);
    }
  }
  return count;
}

UINT HeadWidth(const std::string& variantCode) noexcept {
  if (variantCode == "RX3P" || variantCode == "RX3Q") return 832;
  if (variantCode == "RX2P" || variantCode == "RX2Q") return 576;
  return 432;
}

}  // namespace brimloft
