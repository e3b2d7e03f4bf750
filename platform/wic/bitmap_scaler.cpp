#include "bitmap_scaler.h"

#include "copy_request.h"
#include "pixel_format.h"
#include "pixel_rows.h"
#include "scaler_kernels.h"
#include "wic_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <type_traits>
#include <vector>

namespace platform::wic {
namespace {

// Bytes of source and intermediate rows one band aims to hold.
constexpr std::size_t kBandBytes = std::size_t(1) << 20;

// Sums of weight x value reach 255 x unit; beyond 2^39 the quotient trick below loses exactness.
constexpr std::uint64_t kMaxUnit = std::uint64_t(1) << 39;

// Horizontal pass: one source row (C bytes per pixel, starting at source column base) into the sums
// of the output columns of taps.
template <class Acc, int C>
void SumAcross(const BYTE* src, UINT base, const AxisTaps& taps, Acc* out) {
  const UINT* first = taps.first.data();
  const UINT* count = taps.count.data();
  const UINT* offset = taps.offset.data();
  const UINT* weight = taps.weight.data();
  for (std::size_t x = 0, n = taps.first.size(); x < n; ++x, out += C) {
    const BYTE* p = src + std::size_t(first[x] - base) * C;
    const UINT* w = weight + offset[x];
    Acc sum[C] = {};
    for (UINT t = 0, m = count[x]; t < m; ++t, p += C)
      for (int c = 0; c < C; ++c) sum[c] += Acc(w[t]) * p[c];
    for (int c = 0; c < C; ++c) out[c] = sum[c];
  }
}

}  // namespace

HRESULT BitmapScaler::Initialize(IWICBitmapSource* source, UINT width, UINT height,
                                 WICBitmapInterpolationMode mode) {
  return Guarded([&] {
    if (source == nullptr || width == 0 || height == 0) Fail(E_INVALIDARG);
    if (mode != WICBitmapInterpolationModeNearestNeighbor && mode != WICBitmapInterpolationModeFant) {
      const bool known = mode == WICBitmapInterpolationModeLinear || mode == WICBitmapInterpolationModeCubic ||
                         DWORD(mode) == 4 /* high-quality cubic */;
      Fail(known ? WINCODEC_ERR_UNSUPPORTEDOPERATION : E_INVALIDARG);
    }
    if (width > UINT(INT32_MAX) || height > UINT(INT32_MAX)) Fail(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
    std::lock_guard<std::mutex> hold(mutex_);
    if (source_) Fail(WINCODEC_ERR_WRONGSTATE);
    UINT w = 0, h = 0;
    Check(source->GetSize(&w, &h));
    if (w == 0 || h == 0) Fail(E_INVALIDARG);
    if (w > UINT(INT32_MAX) || h > UINT(INT32_MAX)) Fail(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
    GUID format{};
    Check(source->GetPixelFormat(&format));
    const UINT channels = ByteChannels(format);
    if (channels == 0) Fail(WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT);
    const bool fant = mode == WICBitmapInterpolationModeFant;
    const AxisScale across = MakeAxisScale(w, width, fant);
    const AxisScale down = MakeAxisScale(h, height, fant);
    if (across.unit >= kMaxUnit || down.unit >= kMaxUnit / across.unit) Fail(WINCODEC_ERR_IMAGESIZEOUTOFRANGE);
    const std::uint64_t unit = across.unit * down.unit;
    format_ = format;
    channels_ = channels;
    width_ = width;
    height_ = height;
    across_ = across;
    down_ = down;
    wide_ = unit * 255 + unit / 2 > std::uint64_t(INT32_MAX);  // narrow sums convert as signed
    half_ = unit / 2;
    // For n < 2^47 and this reciprocal, trunc(n x inverse) = floor(n / unit): the nudge of 2^-50
    // outweighs the rounding of the reciprocal and of the product (each under 2^-53), and the excess
    // stays below n / unit x 2^-48 < 1 / unit, the distance to the next integer.
    inverse_ = (1.0 / double(unit)) * (1.0 + std::ldexp(1.0, -50));
    source_ = Ref<IWICBitmapSource>(source);
  });
}

HRESULT BitmapScaler::GetSize(UINT* width, UINT* height) {
  if (width == nullptr || height == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  *width = width_;
  *height = height_;
  return S_OK;
}

HRESULT BitmapScaler::GetPixelFormat(WICPixelFormatGUID* format) {
  if (format == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  *format = format_;
  return S_OK;
}

HRESULT BitmapScaler::GetResolution(double* dpiX, double* dpiY) {
  if (dpiX == nullptr || dpiY == nullptr) return E_INVALIDARG;
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  return source_->GetResolution(dpiX, dpiY);
}

HRESULT BitmapScaler::CopyPalette(IWICPalette* palette) {
  if (!source_) return WINCODEC_ERR_NOTINITIALIZED;
  return source_->CopyPalette(palette);
}

HRESULT BitmapScaler::CopyPixels(const WICRect* rect, UINT stride, UINT bufferSize, BYTE* buffer) {
  return Guarded([&] {
    if (!source_) Fail(WINCODEC_ERR_NOTINITIALIZED);
    const WICRect r = CheckCopyRequest(rect, width_, height_, channels_ * 8, stride, bufferSize, buffer);
    if (Empty(r)) return;
    if (wide_)
      ResampleChannels<std::uint64_t>(r, stride, buffer);
    else
      ResampleChannels<std::uint32_t>(r, stride, buffer);
  });
}

template <class Acc>
void BitmapScaler::ResampleChannels(const WICRect& r, UINT stride, BYTE* buffer) {
  switch (channels_) {
    case 1: return Resample<Acc, 1>(r, stride, buffer);
    case 3: return Resample<Acc, 3>(r, stride, buffer);
    default: return Resample<Acc, 4>(r, stride, buffer);
  }
}

template <class Acc, int C>
void BitmapScaler::Resample(const WICRect& r, UINT stride, BYTE* buffer) {
  const AxisTaps columns = MakeAxisTaps(across_, UINT(r.X), UINT(r.X + r.Width));
  const AxisTaps rows = MakeAxisTaps(down_, UINT(r.Y), UINT(r.Y + r.Height));
  const UINT col0 = columns.first.front();
  const UINT col1 = columns.first.back() + columns.count.back();
  const std::size_t sums = std::size_t(r.Width) * C;  // sums per intermediate row
  const std::size_t rowCost = std::max(std::size_t(col1 - col0) * C, sums * sizeof(Acc));
  const std::size_t bandRows = std::max<std::size_t>(rows.maxCount, kBandBytes / rowCost);

  // Two or three taps for every output column (ratios below 2, the head widths among them, need no
  // more): a table of byte offsets and weights without a loop per column. Missing taps repeat the
  // first pixel with weight zero, which adds nothing to the sum.
  std::vector<UINT> fixedIndex, fixedWeight;
  const UINT fixedTaps = columns.maxCount <= 2 ? 2 : 3;
  const bool fixed = std::is_same_v<Acc, std::uint32_t> && C == 4 && columns.maxCount <= 3;
  if (fixed) {
    fixedIndex.resize(fixedTaps * columns.first.size());
    fixedWeight.resize(fixedTaps * columns.first.size());
    for (std::size_t k = 0; k < columns.first.size(); ++k) {
      const UINT at = (columns.first[k] - col0) * C;
      for (UINT t = 0; t < fixedTaps; ++t) {
        const bool used = t < columns.count[k];
        fixedIndex[fixedTaps * k + t] = used ? at + t * C : at;
        fixedWeight[fixedTaps * k + t] = used ? columns.weight[columns.offset[k] + t] : 0;
      }
    }
  }

  SourceReader reader(source_.get(), C * 8);
  std::vector<Acc> across;  // horizontal sums of the band's source rows
  std::vector<Acc> total(sums);
  const UINT* first = rows.first.data();
  const UINT* count = rows.count.data();
  const UINT* offset = rows.offset.data();
  const UINT* weight = rows.weight.data();
  const Acc half = Acc(half_);
  const double inverse = inverse_;

  for (INT y0 = 0; y0 < r.Height;) {
    // The band: output rows y0..y1-1 of the request, whose source rows row0..row1-1 fit the budget
    // (at least one output row).
    const UINT row0 = first[y0];
    INT y1 = y0 + 1;
    while (y1 < r.Height && first[y1] + count[y1] - row0 <= bandRows) ++y1;
    const UINT row1 = first[y1 - 1] + count[y1 - 1];
    const WICRect box{INT(col0), INT(row0), INT(col1 - col0), INT(row1 - row0)};
    const SourceReader::View view = reader.Read(box);
    across.resize(std::size_t(row1 - row0) * sums);
    for (UINT k = 0; k < row1 - row0; ++k) {
      const BYTE* src = view.data + k * view.stride;
      if constexpr (std::is_same_v<Acc, std::uint32_t> && C == 4) {
        if (fixed && fixedTaps == 2) {
          SumAcrossFourPairs(src, fixedIndex.data(), fixedWeight.data(), columns.first.size(), &across[k * sums]);
          continue;
        }
        if (fixed) {
          SumAcrossFourTriples(src, fixedIndex.data(), fixedWeight.data(), columns.first.size(), &across[k * sums]);
          continue;
        }
        SumAcrossFour(src, col0, columns.first.data(), columns.count.data(), columns.offset.data(),
                      columns.weight.data(), columns.first.size(), &across[k * sums]);
      } else {
        SumAcross<Acc, C>(src, col0, columns, &across[k * sums]);
      }
    }

    for (INT y = y0; y < y1; ++y) {
      const UINT* w = weight + offset[y];
      const Acc* row = &across[std::size_t(first[y] - row0) * sums];
      BYTE* out = buffer + std::size_t(y) * stride;
      if constexpr (std::is_same_v<Acc, std::uint32_t>) {
        StartSums(total.data(), row, w[0], half, sums);
        for (UINT t = 1; t < count[y]; ++t) AddSums(total.data(), row += sums, w[t], sums);
        FinishSums(total.data(), inverse, sums, out);
        continue;
      }
      const Acc w0 = Acc(w[0]);
      for (std::size_t i = 0; i < sums; ++i) total[i] = half + w0 * row[i];
      for (UINT t = 1; t < count[y]; ++t) {
        row += sums;
        const Acc wt = Acc(w[t]);
        for (std::size_t i = 0; i < sums; ++i) total[i] += wt * row[i];
      }
      for (std::size_t i = 0; i < sums; ++i) out[i] = BYTE(std::int64_t(double(total[i]) * inverse));
    }
    y0 = y1;
  }
}

}  // namespace platform::wic
