// The inner loops of the scaler for the common case, 32-bit sums: built for the baseline processor
// and for AVX2, chosen when the library loads.
#ifndef BRIMLOFT_PLATFORM_WIC_SCALER_KERNELS_H
#define BRIMLOFT_PLATFORM_WIC_SCALER_KERNELS_H

#include <wincodec.h>

#include <cstddef>
#include <cstdint>

namespace platform::wic {

// Horizontal sums of four-channel pixels: for each of n output pixels k, out[4k + c] is the sum over
// t < count[k] of weight[offset[k] + t] x src[4 (first[k] - base + t) + c].
void SumAcrossFour(const BYTE* src, UINT base, const UINT* first, const UINT* count, const UINT* offset,
                   const UINT* weight, std::size_t n, std::uint32_t* out);

// The same when every output pixel has exactly two taps: for output pixel k, the pixels at byte
// offsets index[2k] and index[2k + 1] of src, with weights weight[2k] and weight[2k + 1].
void SumAcrossFourPairs(const BYTE* src, const UINT* index, const UINT* weight, std::size_t n, std::uint32_t* out);

// The same with exactly three taps per output pixel: index[3k..3k+2] and weight[3k..3k+2].
void SumAcrossFourTriples(const BYTE* src, const UINT* index, const UINT* weight, std::size_t n,
                          std::uint32_t* out);

// True when this processor runs SumAcrossFourQuads (AVX2).
bool HaveQuadKernel();

// The same with at most four taps per output pixel, for a processor where HaveQuadKernel() is true:
// output pixel k sums the four pixels from byte offset at[k] of src (all four must be readable),
// each channel c as w[0] x p0[c] + w[1] x p1[c] + w[8] x p2[c] + w[9] x p3[c] with w = weight + 16k,
// whose sixteen 16-bit weights repeat the pair w[0], w[1] four times and then w[8], w[9] four times.
// Every weight is at most 32767 and every sum below 2^31.
void SumAcrossFourQuads(const BYTE* src, const UINT* at, const std::int16_t* weight, std::size_t n,
                        std::uint32_t* out);

// The vertical pass: out[i] = trunc(total x inverse) with total = start plus, for t < count,
// w[t] x rows[t x stride + i], for i < n; every total is below 2^31 and every result below 256.
void SumDown(const std::uint32_t* rows, std::size_t stride, const UINT* w, UINT count, std::uint32_t start,
             double inverse, std::size_t n, BYTE* out);

}  // namespace platform::wic

#endif
