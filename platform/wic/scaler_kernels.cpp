#include "scaler_kernels.h"

#include "cpu_clones.h"

#include <cstring>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// The kernels hold 32-byte vectors in locals; GCC notes the ABI of such vectors without AVX even
// though none crosses a call.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace platform::wic {
namespace {

typedef std::uint32_t U32x4 __attribute__((vector_size(16)));
typedef std::uint32_t U32x8 __attribute__((vector_size(32)));
typedef std::int32_t I32x8 __attribute__((vector_size(32)));
typedef double F64x8 __attribute__((vector_size(64)));
typedef std::uint8_t U8x8 __attribute__((vector_size(8)));

// Vectors travel by reference: clang refuses 32-byte vectors by value in the code built without AVX.
template <class V>
inline __attribute__((always_inline)) V& Load(V& v, const void* p) {
  std::memcpy(&v, p, sizeof v);
  return v;
}
template <class V>
inline __attribute__((always_inline)) void Store(void* p, const V& v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

BRIMLOFT_WIC_CLONES
void SumAcrossFour(const BYTE* src, UINT base, const UINT* first, const UINT* count, const UINT* offset,
                   const UINT* weight, std::size_t n, std::uint32_t* out) {
  for (std::size_t k = 0; k < n; ++k, out += 4) {
    const BYTE* p = src + std::size_t(first[k] - base) * 4;
    const UINT* w = weight + offset[k];
    U32x4 sum = {0, 0, 0, 0};
    for (UINT t = 0, m = count[k]; t < m; ++t, p += 4) sum += U32x4{p[0], p[1], p[2], p[3]} * w[t];
    Store(out, sum);
  }
}

BRIMLOFT_WIC_CLONES
void SumAcrossFourPairs(const BYTE* src, const UINT* index, const UINT* weight, std::size_t n, std::uint32_t* out) {
  for (std::size_t k = 0; k < n; ++k, out += 4, index += 2, weight += 2) {
    const BYTE* p = src + index[0];
    const BYTE* q = src + index[1];
    Store(out, U32x4{p[0], p[1], p[2], p[3]} * weight[0] + U32x4{q[0], q[1], q[2], q[3]} * weight[1]);
  }
}

BRIMLOFT_WIC_CLONES
void SumAcrossFourTriples(const BYTE* src, const UINT* index, const UINT* weight, std::size_t n,
                          std::uint32_t* out) {
  for (std::size_t k = 0; k < n; ++k, out += 4, index += 3, weight += 3) {
    const BYTE* p = src + index[0];
    const BYTE* q = src + index[1];
    const BYTE* r = src + index[2];
    Store(out, U32x4{p[0], p[1], p[2], p[3]} * weight[0] + U32x4{q[0], q[1], q[2], q[3]} * weight[1] +
                   U32x4{r[0], r[1], r[2], r[3]} * weight[2]);
  }
}

#if defined(__x86_64__) && defined(__GNUC__)
bool HaveQuadKernel() {
  static const bool avx2 = __builtin_cpu_supports("avx2");
  return avx2;
}

// One 16-byte load holds the four taps; a byte shuffle spreads the first two pixels into the low
// half as 16-bit pairs (blue of both, green of both, ...) and the last two into the high half, so
// that one multiply-add of pairs gives each channel's partial sums, and the two halves add up.
__attribute__((target("avx2"))) void SumAcrossFourQuads(const BYTE* src, const UINT* at,
                                                        const std::int16_t* weight, std::size_t n,
                                                        std::uint32_t* out) {
  const __m256i spread = _mm256_setr_epi8(0, -1, 4, -1, 1, -1, 5, -1, 2, -1, 6, -1, 3, -1, 7, -1,  //
                                          8, -1, 12, -1, 9, -1, 13, -1, 10, -1, 14, -1, 11, -1, 15, -1);
  for (std::size_t k = 0; k < n; ++k, weight += 16, out += 4) {
    const __m256i pixels = _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(src + at[k])));
    const __m256i sums = _mm256_madd_epi16(_mm256_shuffle_epi8(pixels, spread),
                                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(weight)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out),
                     _mm_add_epi32(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1)));
  }
}
#else
bool HaveQuadKernel() { return false; }
void SumAcrossFourQuads(const BYTE* src, const UINT* at, const std::int16_t* weight, std::size_t n,
                        std::uint32_t* out) {
  for (std::size_t k = 0; k < n; ++k, weight += 16, out += 4) {
    const BYTE* p = src + at[k];
    for (int c = 0; c < 4; ++c)
      out[c] = std::uint32_t(weight[0] * p[c] + weight[1] * p[4 + c] + weight[8] * p[8 + c] + weight[9] * p[12 + c]);
  }
}
#endif

namespace {

// out[0..15] = trunc(a x inverse), trunc(b x inverse): each total below 2^31, each quotient below 256.
inline __attribute__((always_inline)) void FinishSixteen(const U32x8& a, const U32x8& b, double inverse, BYTE* out) {
  const I32x8 qa = __builtin_convertvector(__builtin_convertvector(I32x8(a), F64x8) * inverse, I32x8);
  const I32x8 qb = __builtin_convertvector(__builtin_convertvector(I32x8(b), F64x8) * inverse, I32x8);
#if defined(__x86_64__)
  // Quotients are below 256, so the saturating packs narrow them exactly and stay in vector
  // registers (a plain conversion to bytes goes through general registers one value at a time).
  __m128i a0, a1, b0, b1;
  const __m128i words = _mm_packs_epi32(Load(a0, &qa), Load(a1, reinterpret_cast<const char*>(&qa) + 16));
  const __m128i words2 = _mm_packs_epi32(Load(b0, &qb), Load(b1, reinterpret_cast<const char*>(&qb) + 16));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words2));
#else
  Store(out, __builtin_convertvector(qa, U8x8));
  Store(out + 8, __builtin_convertvector(qb, U8x8));
#endif
}

}  // namespace

BRIMLOFT_WIC_CLONES
void SumDown(const std::uint32_t* rows, std::size_t stride, const UINT* w, UINT count, std::uint32_t start,
             double inverse, std::size_t n, BYTE* out) {
  std::size_t i = 0;
  for (U32x8 v; i + 16 <= n; i += 16) {
    const std::uint32_t* row = rows + i;
    U32x8 a = Load(v, row) * w[0] + start;
    U32x8 b = Load(v, row + 8) * w[0] + start;
    for (UINT t = 1; t < count; ++t) {
      row += stride;
      a += Load(v, row) * w[t];
      b += Load(v, row + 8) * w[t];
    }
    FinishSixteen(a, b, inverse, out + i);
  }
  for (; i < n; ++i) {
    std::uint32_t total = start;
    for (UINT t = 0; t < count; ++t) total += w[t] * rows[t * stride + i];
    out[i] = BYTE(std::int32_t(double(total) * inverse));
  }
}

}  // namespace platform::wic
