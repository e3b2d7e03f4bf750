// Helpers for the imaging component's tests: the factory, images made from a formula, a source that
// is not one of the component's bitmaps, and reading any source back.
#ifndef BRIMLOFT_TESTS_PLATFORM_WIC_TEST_SUPPORT_H
#define BRIMLOFT_TESTS_PLATFORM_WIC_TEST_SUPPORT_H

#include <gtest/gtest.h>
#include <objbase.h>
#include <wincodec.h>

#include "module/ComPtr.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

namespace wictest {

using brimloft::ComPtr;

// One BGRA pixel as the bytes blue, green, red, alpha.
struct Bgra {
  std::uint8_t b, g, r, a;
  bool operator==(const Bgra& o) const { return b == o.b && g == o.g && r == o.r && a == o.a; }
};
inline Bgra Grey(std::uint8_t v, std::uint8_t a = 255) { return {v, v, v, a}; }

// Joins the apartment and creates the factory through the class registry.
class WicTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED)));
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WICImagingFactory1, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_IWICImagingFactory, factory_.put_void()));
  }
  void TearDown() override {
    factory_.reset();
    CoUninitialize();
  }

  // A BGRA bitmap whose pixel (x, y) is pixel(x, y).
  ComPtr<IWICBitmap> MakeBgra(UINT w, UINT h, const std::function<Bgra(UINT, UINT)>& pixel) {
    std::vector<std::uint8_t> bytes(std::size_t(w) * h * 4);
    for (UINT y = 0; y < h; ++y)
      for (UINT x = 0; x < w; ++x) {
        const Bgra p = pixel(x, y);
        std::uint8_t* q = &bytes[(std::size_t(y) * w + x) * 4];
        q[0] = p.b, q[1] = p.g, q[2] = p.r, q[3] = p.a;
      }
    ComPtr<IWICBitmap> bitmap;
    EXPECT_EQ(S_OK, factory_->CreateBitmapFromMemory(w, h, GUID_WICPixelFormat32bppBGRA, w * 4,
                                                     UINT(bytes.size()), bytes.data(), bitmap.put()));
    return bitmap;
  }

  ComPtr<IWICImagingFactory> factory_;
};

// Reads a whole 32-bit source, row after row without padding.
inline std::vector<Bgra> ReadBgra(IWICBitmapSource* source, UINT* w = nullptr, UINT* h = nullptr) {
  UINT width = 0, height = 0;
  EXPECT_EQ(S_OK, source->GetSize(&width, &height));
  std::vector<Bgra> pixels(std::size_t(width) * height);
  EXPECT_EQ(S_OK, source->CopyPixels(nullptr, width * 4, UINT(pixels.size() * 4),
                                     reinterpret_cast<BYTE*>(pixels.data())));
  if (w) *w = width;
  if (h) *h = height;
  return pixels;
}

// Reads a whole one-bit source with rows of (w + 7) / 8 bytes.
inline std::vector<std::uint8_t> ReadBits(IWICBitmapSource* source) {
  UINT width = 0, height = 0;
  EXPECT_EQ(S_OK, source->GetSize(&width, &height));
  const UINT stride = (width + 7) / 8;
  std::vector<std::uint8_t> bits(std::size_t(stride) * height, 0xA5);
  EXPECT_EQ(S_OK, source->CopyPixels(nullptr, stride, UINT(bits.size()), bits.data()));
  return bits;
}

inline bool BitAt(const std::vector<std::uint8_t>& bits, UINT stride, UINT x, UINT y) {
  return (bits[std::size_t(y) * stride + x / 8] >> (7 - x % 8)) & 1;
}

// An image source that is not one of the component's bitmaps: pixels in a vector, served by a plain
// CopyPixels, with a count of the calls made to it.
class ForeignSource final : public IWICBitmapSource {
 public:
  ForeignSource(UINT w, UINT h, REFWICPixelFormatGUID format, UINT bpp, std::vector<std::uint8_t> pixels)
      : w_(w), h_(h), format_(format), stride_((w * bpp + 7) / 8), bpp_(bpp), pixels_(std::move(pixels)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    if (riid == IID_IUnknown || riid == IID_IWICBitmapSource) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetSize(UINT* w, UINT* h) override {
    *w = w_;
    *h = h_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPixelFormat(WICPixelFormatGUID* f) override {
    *f = format_;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetResolution(double* x, double* y) override {
    *x = 300.0;
    *y = 150.0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE CopyPalette(IWICPalette*) override { return WINCODEC_ERR_PALETTEUNAVAILABLE; }
  // Whole-byte formats only; fails with failure_ when set.
  HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* prc, UINT stride, UINT size, BYTE* buffer) override {
    ++copies;
    if (failure != S_OK) return failure;
    const WICRect r = prc ? *prc : WICRect{0, 0, INT(w_), INT(h_)};
    if (r.X < 0 || r.Y < 0 || UINT(r.X + r.Width) > w_ || UINT(r.Y + r.Height) > h_) return E_INVALIDARG;
    const UINT row = UINT(r.Width) * bpp_ / 8;
    if (stride < row || std::uint64_t(stride) * (r.Height - 1) + row > size) return E_INVALIDARG;
    for (INT y = 0; y < r.Height; ++y)
      std::copy_n(&pixels_[std::size_t(r.Y + y) * stride_ + std::size_t(r.X) * bpp_ / 8], row,
                  buffer + std::size_t(y) * stride);
    return S_OK;
  }

  std::atomic<int> copies{0};
  HRESULT failure = S_OK;

 private:
  ~ForeignSource() = default;
  std::atomic<ULONG> refs_{1};
  UINT w_, h_;
  GUID format_;
  UINT stride_, bpp_;
  std::vector<std::uint8_t> pixels_;
};

// A foreign BGRA source whose pixel (x, y) is pixel(x, y).
inline ComPtr<ForeignSource> MakeForeignBgra(UINT w, UINT h, const std::function<Bgra(UINT, UINT)>& pixel) {
  std::vector<std::uint8_t> bytes(std::size_t(w) * h * 4);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) {
      const Bgra p = pixel(x, y);
      std::uint8_t* q = &bytes[(std::size_t(y) * w + x) * 4];
      q[0] = p.b, q[1] = p.g, q[2] = p.r, q[3] = p.a;
    }
  return ComPtr<ForeignSource>::Attach(new ForeignSource(w, h, GUID_WICPixelFormat32bppBGRA, 32, std::move(bytes)));
}

// A deterministic pseudo-random byte stream.
class Noise {
 public:
  explicit Noise(std::uint32_t seed) : state_(seed * 2654435761u + 1) {}
  std::uint8_t Next() {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return std::uint8_t(state_ >> 24);
  }

 private:
  std::uint32_t state_;
};

}  // namespace wictest

#endif
