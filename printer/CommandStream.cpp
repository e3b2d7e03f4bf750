// The printer command stream: prologues, band and raster image commands, trailers.
#include <shlwapi.h>

#include <algorithm>

#include "module/filtertypes.h"
#include "printer/BandImage.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printer/RowBytes.h"

namespace brimloft {

namespace {

constexpr auto kUnit = TraceUnit::BrimloftBitmapHandler;

constexpr BYTE kBandPrologue[] = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08};
// The raster prologue ends with the row width in dots, low byte first: the head's width.
constexpr BYTE kRasterPrologue[] = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57};
constexpr BYTE kBandImage[] = {0x1B, 0x2A, 0x21};
constexpr BYTE kRasterBlock[] = {0x1B, 0x2A, 0x62};
constexpr BYTE kBandEnd[] = {0x1B, 0x41, 0x08};
constexpr BYTE kClosing[] = {0x1B, 0x7A, 0x30};
constexpr BYTE kFullCut[] = {0x1B, 0x77};
constexpr BYTE kPartialCut[] = {0x1B, 0x6D};

// A raster block holds whole rows of the declared width, at most 18,432 bytes (256 rows of the
// 576-dot head); its count n is the number of rows.
constexpr std::size_t kRasterBlockBytes = 0x4800;

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

void WriteBands(std::vector<BYTE>& out, const BYTE* image, UINT width, UINT height, bool continuous,
                BandTrim& trim) {
  const UINT bands = BandCount(height);
  if (bands == 0) return;
  const std::size_t rowBytes = RowBytes(width);
  std::vector<BYTE> columns(std::size_t(3) * width);
  // Continuous printing sends no blank band before the page's first band with a dot or after its
  // last; blank bands between two bands with dots each become a lone band end.
  bool& started = trim.started;
  UINT& pendingBlank = trim.pendingBlank;
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

// Image bytes complemented (a set bit is a dot), in blocks of whole rows.
void WriteRaster(std::vector<BYTE>& out, const BYTE* image, std::size_t length, std::size_t rowBytes,
                 bool endsPage) {
  // length is rowBytes times the image's height, so rowBytes is not 0 when there is anything to send.
  for (std::size_t i = 0; i < length;) {
    const std::size_t rows = std::min((length - i) / rowBytes, kRasterBlockBytes / rowBytes);
    const std::size_t c = rows * rowBytes;
    Append(out, kRasterBlock);
    AppendCount(out, rows);
    const std::size_t start = out.size();
    out.resize(start + c);
    BYTE* dst = out.data() + start;
    const BYTE* src = image + i;
    for (std::size_t k = 0; k < c; ++k) dst[k] = static_cast<BYTE>(~src[k]);
    i += c;
  }
  if (endsPage) Append(out, kBandEnd);
}

}  // namespace

void WriteByte(IStream* stream, BYTE value, ULONG& count) {
  BRIMLOFT_CHECK(IStream_Write(stream, &value, 1));
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
    const UINT dots = HeadWidth(variantCode_);
    WriteByte(segment, static_cast<BYTE>(dots & 0xFF), count);
    WriteByte(segment, static_cast<BYTE>((dots >> 8) & 0xFF), count);
  } else {
    WriteCommand(segment, kBandPrologue, count);
  }
  return count;
}

std::vector<BYTE> BrimloftBitmapHandler::WriteImageCommands(const BYTE* image, std::size_t length, UINT width,
                                                            UINT height) const {
  BandTrim trim;
  return WriteImageCommands(image, length, width, height, trim, true);
}

std::vector<BYTE> BrimloftBitmapHandler::WriteImageCommands(const BYTE* image, std::size_t length, UINT width,
                                                            UINT height, BandTrim& trim, bool endsPage) const {
  if (length != std::size_t(RowBytes(width)) * height || (image == nullptr && length != 0)) {
    BRIMLOFT_THROW(E_INVALIDARG);
  }
  const bool continuous = LookupOption("QVPrintContinuous") == "S";
  std::vector<BYTE> out;
  if (LookupOption("QVPrintType") == "Horizontal") {
    out.reserve(length + (length / kRasterBlockBytes + 1) * 5 + 3);
    WriteRaster(out, image, length, RowBytes(width), endsPage);
  } else {
    WriteBands(out, image, width, height, continuous, trim);
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

}  // namespace brimloft
