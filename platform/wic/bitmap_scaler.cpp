#include "bitmap_scaler.h"

#include "copy_request.h"
#include "pixel_format.h"
#include "pixel_rows.h"
#include "scaler_kernels.h"
#include "wic_error.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <type_traits>
#include <vector>

namespace platform::wic {
namespace {

// Bytes of source and intermediate rows one band aims to hold.
constexpr std::size_t kBandBytes = std::size_t(1) << 20;

// Sums of weight x value reach 255 x unit; beyond 2^39 the quotient trick below loses exactness.
constexpr std::uint64_t kMaxUnit = std::uint64_t(1) << 39;

// Output columns per block: the unit in which runs of one colour are found and skipped.
constexpr std::size_t kBlockColumns = 16;

// Horizontal pass: one source row (C bytes per pixel, starting at source column base) into the sums
// of output columns k0..k1-1 of taps (the sums of column k0 first).
template <class Acc, int C>
void SumAcross(const BYTE* src, UINT base, const AxisTaps& taps, std::size_t k0, std::size_t k1, Acc* out) {
  const UINT* first = taps.first.data();
  const UINT* count = taps.count.data();
  const UINT* offset = taps.offset.data();
  const UINT* weight = taps.weight.data();
  for (std::size_t x = k0; x < k1; ++x, out += C) {
    const BYTE* p = src + std::size_t(first[x] - base) * C;
    const UINT* w = weight + offset[x];
    Acc sum[C] = {};
    for (UINT t = 0, m = count[x]; t < m; ++t, p += C)
      for (int c = 0; c < C; ++c) sum[c] += Acc(w[t]) * p[c];
    for (int c = 0; c < C; ++c) out[c] = sum[c];
  }
}

// A block of one source row is flat when all its source pixels are the same; its sums are then
// that pixel times the unit, and an output block whose rows are all flat in one colour is that
// colour exactly (the weights add up to the unit and the rounding half stays below it), so neither
// needs the arithmetic. Pages are mostly blank paper.
enum class BlockState : BYTE { Summed, Flat, FlatSummed };
struct RowBlock {
  std::uint32_t pixel;  // the colour of a flat block, its C bytes in memory order
  BlockState state;
};

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

  // Up to four taps with weights of 15 bits, on a processor that has the kernel: one load and one
  // multiply-add per output pixel. The last columns, whose four pixels would reach past the row,
  // take the kernels above.
  std::vector<UINT> quadAt;
  std::vector<std::int16_t> quadWeight;
  std::size_t quadEnd = 0;
  const bool quad = std::is_same_v<Acc, std::uint32_t> && C == 4 && columns.maxCount <= 4 &&
              std::all_of(columns.weight.begin(), columns.weight.end(), [](UINT w) { return w <= 32767; }) &&
              HaveQuadKernel();
  if (quad) {
    const std::size_t n = columns.first.size();
    quadAt.resize(n);
    quadWeight.assign(16 * n, 0);
    for (std::size_t k = 0; k < n; ++k) {
      const UINT at = columns.first[k] - col0;
      if (at + 4 <= col1 - col0) quadEnd = k + 1;  // first[] never decreases: a prefix of the columns
      quadAt[k] = at * C;
      std::int16_t* w = &quadWeight[16 * k];
      for (UINT t = 0; t < columns.count[k]; ++t) {
        const auto weight = std::int16_t(columns.weight[columns.offset[k] + t]);
        for (UINT i = 0; i < 4; ++i) w[(t / 2) * 8 + 2 * i + t % 2] = weight;
      }
    }
  }

  // The source columns (from col0) that the output columns of each block read.
  const std::size_t blocks = (std::size_t(r.Width) + kBlockColumns - 1) / kBlockColumns;
  std::vector<UINT> spanStart(blocks), spanEnd(blocks);
  for (std::size_t b = 0; b < blocks; ++b) {
    const std::size_t k0 = b * kBlockColumns, last = std::min(k0 + kBlockColumns, std::size_t(r.Width)) - 1;
    spanStart[b] = columns.first[k0] - col0;
    spanEnd[b] = columns.first[last] + columns.count[last] - col0;
  }
  auto blockColumns = [&](std::size_t b0, std::size_t b1) {
    return std::pair<std::size_t, std::size_t>(b0 * kBlockColumns, std::min(b1 * kBlockColumns, std::size_t(r.Width)));
  };

  // Horizontal sums of output columns k0..k1-1 of one source row.
  auto sumAcross = [&](const BYTE* src, std::size_t k0, std::size_t k1, Acc* out) {
    if constexpr (std::is_same_v<Acc, std::uint32_t> && C == 4) {
      if (quad) {
        const std::size_t m = std::clamp(quadEnd, k0, k1);
        SumAcrossFourQuads(src, quadAt.data() + k0, quadWeight.data() + 16 * k0, m - k0, out);
        out += (m - k0) * C;
        k0 = m;
        if (k0 == k1) return;
      }
      if (fixed && fixedTaps == 2)
        return SumAcrossFourPairs(src, &fixedIndex[2 * k0], &fixedWeight[2 * k0], k1 - k0, out);
      if (fixed) return SumAcrossFourTriples(src, &fixedIndex[3 * k0], &fixedWeight[3 * k0], k1 - k0, out);
      return SumAcrossFour(src, col0, &columns.first[k0], &columns.count[k0], &columns.offset[k0],
                           columns.weight.data(), k1 - k0, out);
    }
    SumAcross<Acc, C>(src, col0, columns, k0, k1, out);
  };

  SourceReader reader(source_.get(), C * 8);
  // Horizontal sums of the band's source rows, left unset: only blocks that are summed, or flat and
  // needed by a neighbour, are written and read (zeroing them would touch every page of the band).
  std::unique_ptr<Acc[]> across;
  std::size_t acrossSize = 0;
  std::vector<RowBlock> state;  // of each block of the band's source rows
  std::vector<BYTE> rowFlat;    // of the band's source rows: 1 when the whole row is one colour
  std::vector<BYTE> flatOut(blocks);  // of each block of one output row: 1 when flat
  BYTE pattern[kBlockColumns * C];  // one block's worth of the last flat colour written
  bool patterned = false;
  std::vector<Acc> total(sums);
  const UINT* first = rows.first.data();
  const UINT* count = rows.count.data();
  const UINT* offset = rows.offset.data();
  const UINT* weight = rows.weight.data();
  const Acc half = Acc(half_);
  const Acc unitAcross = Acc(across_.unit);
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
    if (const std::size_t need = std::size_t(row1 - row0) * sums; need > acrossSize) {
      across.reset(new Acc[need]);
      acrossSize = need;
    }
    state.resize(std::size_t(row1 - row0) * blocks);
    rowFlat.resize(row1 - row0);
    for (UINT k = 0; k < row1 - row0; ++k) {
      const BYTE* src = view.data + k * view.stride;
      RowBlock* rowState = &state[k * blocks];
      // A row of one colour (blank paper) is one comparison; otherwise flat blocks are noted and
      // runs of the others are summed in one go.
      const std::size_t rowBytes = std::size_t(col1 - col0) * C;
      rowFlat[k] = std::memcmp(src, src + C, rowBytes - C) == 0;
      if (rowFlat[k]) {
        RowBlock flat{0, BlockState::Flat};
        std::memcpy(&flat.pixel, src, C);
        std::fill_n(rowState, blocks, flat);
        continue;
      }
      for (std::size_t b = 0; b < blocks; ++b) {
        const BYTE* span = src + std::size_t(spanStart[b]) * C;
        rowState[b] = RowBlock{0, BlockState::Summed};
        if (std::memcmp(span, span + C, std::size_t(spanEnd[b] - spanStart[b] - 1) * C) != 0) continue;
        std::memcpy(&rowState[b].pixel, span, C);
        rowState[b].state = BlockState::Flat;
      }
      for (std::size_t b = 0; b < blocks;) {
        if (rowState[b].state != BlockState::Summed) {
          ++b;
          continue;
        }
        const std::size_t b0 = b;
        while (b < blocks && rowState[b].state == BlockState::Summed) ++b;
        const auto [k0, k1] = blockColumns(b0, b);
        sumAcross(src, k0, k1, &across[k * sums + k0 * C]);
      }
    }

    for (INT y = y0; y < y1; ++y) {
      const UINT* w = weight + offset[y];
      const std::size_t top = first[y] - row0;
      BYTE* out = buffer + std::size_t(y) * stride;
      // A row made of source rows of one and the same colour is that colour.
      bool flatRow = rowFlat[top];
      for (UINT t = 1; flatRow && t < count[y]; ++t)
        flatRow = rowFlat[top + t] && state[(top + t) * blocks].pixel == state[top * blocks].pixel;
      // An output block is flat when all its source rows are flat in one colour.
      for (std::size_t b = 0; b < blocks; ++b) {
        if (flatRow) {
          std::fill_n(flatOut.begin(), blocks, BYTE(1));
          break;
        }
        const RowBlock& head = state[top * blocks + b];
        bool same = head.state != BlockState::Summed;
        for (UINT t = 1; same && t < count[y]; ++t) {
          const RowBlock& next = state[(top + t) * blocks + b];
          same = next.state != BlockState::Summed && next.pixel == head.pixel;
        }
        flatOut[b] = same;
      }
      for (std::size_t b = 0; b < blocks;) {
        if (flatOut[b]) {
          // A run of flat blocks of one colour is written in one go.
          const std::uint32_t pixel = state[top * blocks + b].pixel;
          const std::size_t b0 = b;
          while (b < blocks && flatOut[b] && state[top * blocks + b].pixel == pixel) ++b;
          const auto [k0, k1] = blockColumns(b0, b);
          BYTE bytes[4];
          std::memcpy(bytes, &pixel, 4);
          if (C == 1 || std::memcmp(bytes, bytes + 1, C - 1) == 0) {  // white, black, clear
            std::memset(out + k0 * C, bytes[0], (k1 - k0) * C);
            continue;
          }
          if (!patterned || std::memcmp(pattern, bytes, C) != 0)
            for (std::size_t k = 0; k < kBlockColumns; ++k) std::memcpy(&pattern[k * C], bytes, C);
          patterned = true;
          for (std::size_t k = k0; k < k1; k += kBlockColumns)
            std::memcpy(out + k * C, pattern, std::min(kBlockColumns, k1 - k) * C);
          continue;
        }
        const std::size_t b0 = b;
        while (b < blocks && !flatOut[b]) ++b;
        const auto [k0, k1] = blockColumns(b0, b);
        // Flat blocks of the source rows get their sums now that a neighbour row needs them.
        for (UINT t = 0; t < count[y]; ++t) {
          for (std::size_t f = b0; f < b; ++f) {
            RowBlock& s = state[(top + t) * blocks + f];
            if (s.state != BlockState::Flat) continue;
            const auto [f0, f1] = blockColumns(f, f + 1);
            BYTE channel[4];
            std::memcpy(channel, &s.pixel, 4);
            Acc pixel[C];
            for (int c = 0; c < C; ++c) pixel[c] = unitAcross * channel[c];
            Acc* sum = &across[(top + t) * sums + f0 * C];
            for (std::size_t k = f0; k < f1; ++k, sum += C) std::memcpy(sum, pixel, sizeof pixel);
            s.state = BlockState::FlatSummed;
          }
        }
        const std::size_t n = (k1 - k0) * C;
        const Acc* row = &across[top * sums + k0 * C];
        if constexpr (std::is_same_v<Acc, std::uint32_t>) {
          SumDown(row, sums, w, count[y], half, inverse, n, out + k0 * C);
          continue;
        }
        Acc* sum = &total[k0 * C];
        const Acc w0 = Acc(w[0]);
        for (std::size_t i = 0; i < n; ++i) sum[i] = half + w0 * row[i];
        for (UINT t = 1; t < count[y]; ++t) {
          row += sums;
          const Acc wt = Acc(w[t]);
          for (std::size_t i = 0; i < n; ++i) sum[i] += wt * row[i];
        }
        for (std::size_t i = 0; i < n; ++i) out[k0 * C + i] = BYTE(std::int64_t(double(sum[i]) * inverse));
      }
    }
    y0 = y1;
  }
}

}  // namespace platform::wic
