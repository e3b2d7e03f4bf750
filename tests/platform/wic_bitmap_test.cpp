#include "wic_test_support.h"

namespace wictest {
namespace {

using WicBitmap = WicTest;

IWICBitmapLock* const kLockSentinel = reinterpret_cast<IWICBitmapLock*>(0x1);

TEST_F(WicBitmap, WriteLockIsExclusiveAndReadLocksAreShared) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(4, 4, [](UINT, UINT) { return Grey(9); });
  ComPtr<IWICBitmapLock> write;
  ASSERT_EQ(S_OK, bitmap->Lock(nullptr, WICBitmapLockWrite, write.put()));
  IWICBitmapLock* other = kLockSentinel;
  EXPECT_EQ(WINCODEC_ERR_ALREADYLOCKED, bitmap->Lock(nullptr, WICBitmapLockRead, &other));
  EXPECT_EQ(nullptr, other);
  other = kLockSentinel;
  const WICRect corner{3, 3, 1, 1};
  EXPECT_EQ(WINCODEC_ERR_ALREADYLOCKED, bitmap->Lock(&corner, WICBitmapLockWrite, &other));
  EXPECT_EQ(nullptr, other);
  std::vector<std::uint8_t> buffer(64);
  EXPECT_EQ(WINCODEC_ERR_ALREADYLOCKED, bitmap->CopyPixels(nullptr, 16, 64, buffer.data()));
  write.reset();

  ComPtr<IWICBitmapLock> read1, read2;
  EXPECT_EQ(S_OK, bitmap->Lock(nullptr, WICBitmapLockRead, read1.put()));
  EXPECT_EQ(S_OK, bitmap->Lock(&corner, WICBitmapLockRead, read2.put()));
  EXPECT_EQ(S_OK, bitmap->CopyPixels(nullptr, 16, 64, buffer.data()));
  other = kLockSentinel;
  EXPECT_EQ(WINCODEC_ERR_ALREADYLOCKED, bitmap->Lock(nullptr, WICBitmapLockWrite, &other));
  EXPECT_EQ(nullptr, other);
  read1.reset();
  EXPECT_EQ(WINCODEC_ERR_ALREADYLOCKED, bitmap->Lock(nullptr, WICBitmapLockRead | WICBitmapLockWrite, &other));
  read2.reset();
  EXPECT_EQ(S_OK, bitmap->Lock(nullptr, WICBitmapLockRead | WICBitmapLockWrite, write.put()));
}

TEST_F(WicBitmap, LockKeepsTheBitmapAliveAndWritesReachIt) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(3, 2, [](UINT, UINT) { return Grey(0); });
  ComPtr<IWICBitmapLock> lock;
  const WICRect rect{1, 1, 2, 1};
  ASSERT_EQ(S_OK, bitmap->Lock(&rect, WICBitmapLockWrite, lock.put()));
  IWICBitmap* raw = bitmap.Detach();
  EXPECT_EQ(1u, raw->Release());  // the lock still holds it
  UINT w = 0, h = 0, stride = 0, size = 0;
  BYTE* data = nullptr;
  EXPECT_EQ(S_OK, lock->GetSize(&w, &h));
  EXPECT_EQ(S_OK, lock->GetStride(&stride));
  EXPECT_EQ(S_OK, lock->GetDataPointer(&size, &data));
  EXPECT_EQ(2u, w);
  EXPECT_EQ(1u, h);
  EXPECT_EQ(12u, stride);
  EXPECT_EQ(8u, size);
  GUID format{};
  EXPECT_EQ(S_OK, lock->GetPixelFormat(&format));
  EXPECT_EQ(GUID_WICPixelFormat32bppBGRA, format);
  data[0] = 200;  // pixel (1, 1), blue
  data[7] = 100;  // pixel (2, 1), alpha
  raw->AddRef();
  bitmap = ComPtr<IWICBitmap>::Attach(raw);
  lock.reset();
  const std::vector<Bgra> pixels = ReadBgra(bitmap.get());
  EXPECT_EQ(Bgra({200, 0, 0, 255}), pixels[4]);
  EXPECT_EQ(Bgra({0, 0, 0, 100}), pixels[5]);
  EXPECT_EQ(Bgra({0, 0, 0, 255}), pixels[3]);
}

TEST_F(WicBitmap, LockChecksItsArguments) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(4, 3, [](UINT, UINT) { return Grey(1); });
  ComPtr<IWICBitmap> bw;
  ASSERT_EQ(S_OK, factory_->CreateBitmap(20, 2, GUID_WICPixelFormatBlackWhite, WICBitmapCacheOnLoad, bw.put()));
  struct Case {
    const char* name;
    IWICBitmap* target;
    WICRect rect;
    DWORD flags;
    HRESULT expected;
  } cases[] = {
      {"whole", bitmap.get(), {0, 0, 4, 3}, WICBitmapLockRead, S_OK},
      {"no flags", bitmap.get(), {0, 0, 4, 3}, 0, E_INVALIDARG},
      {"unknown flag", bitmap.get(), {0, 0, 4, 3}, WICBitmapLockRead | 0x4, E_INVALIDARG},
      {"past right", bitmap.get(), {1, 0, 4, 3}, WICBitmapLockRead, E_INVALIDARG},
      {"past bottom", bitmap.get(), {0, 2, 4, 2}, WICBitmapLockRead, E_INVALIDARG},
      {"negative x", bitmap.get(), {-1, 0, 1, 1}, WICBitmapLockRead, E_INVALIDARG},
      {"empty", bitmap.get(), {0, 0, 0, 3}, WICBitmapLockRead, E_INVALIDARG},
      {"bits on a byte", bw.get(), {8, 1, 12, 1}, WICBitmapLockWrite, S_OK},
      {"bits inside a byte", bw.get(), {3, 0, 2, 1}, WICBitmapLockWrite, E_INVALIDARG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IWICBitmapLock* lock = kLockSentinel;
    EXPECT_EQ(c.expected, c.target->Lock(&c.rect, c.flags, &lock));
    if (c.expected == S_OK) {
      ASSERT_NE(nullptr, lock);
      lock->Release();
    } else {
      EXPECT_EQ(nullptr, lock);
    }
  }
  EXPECT_EQ(E_INVALIDARG, bitmap->Lock(nullptr, WICBitmapLockRead, nullptr));
}

struct CopyCase {
  const char* name;
  bool useRect;
  WICRect rect;
  UINT stride, size;
  bool nullBuffer;
  HRESULT expected;
};

TEST_F(WicBitmap, CopyPixelsChecksItsArguments) {
  // 5 x 3 BGRA: a row is 20 bytes.
  ComPtr<IWICBitmap> bitmap = MakeBgra(5, 3, [](UINT x, UINT y) { return Grey(std::uint8_t(10 * y + x)); });
  const CopyCase cases[] = {
      {"whole", false, {}, 20, 60, false, S_OK},
      {"whole, wide stride, short last row", false, {}, 24, 68, false, S_OK},
      {"null buffer", false, {}, 20, 60, true, E_INVALIDARG},
      {"stride short", false, {}, 19, 60, false, E_INVALIDARG},
      {"buffer short", false, {}, 20, 59, false, E_INVALIDARG},
      {"wide stride, buffer short", false, {}, 24, 67, false, E_INVALIDARG},
      {"rect", true, {1, 1, 3, 2}, 12, 24, false, S_OK},
      {"rect stride short", true, {1, 1, 3, 2}, 11, 24, false, E_INVALIDARG},
      {"rect past right", true, {3, 0, 3, 1}, 12, 12, false, E_INVALIDARG},
      {"rect past bottom", true, {0, 2, 1, 2}, 4, 8, false, E_INVALIDARG},
      {"negative y", true, {0, -1, 1, 1}, 4, 4, false, E_INVALIDARG},
      {"negative width", true, {2, 0, -1, 1}, 4, 4, false, E_INVALIDARG},
      {"zero width", true, {2, 1, 0, 1}, 0, 0, false, S_OK},
      {"zero height", true, {2, 1, 1, 0}, 4, 0, false, S_OK},
      {"zero size, null buffer", true, {2, 1, 0, 0}, 0, 0, true, E_INVALIDARG},
      {"overflowing rect", true, {0x7FFFFFFF, 0, 0x7FFFFFFF, 1}, 4, 4, false, E_INVALIDARG},
  };
  for (const CopyCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> buffer(c.size + 8, 0xCD);
    const HRESULT hr = bitmap->CopyPixels(c.useRect ? &c.rect : nullptr, c.stride, c.size,
                                          c.nullBuffer ? nullptr : buffer.data());
    EXPECT_EQ(c.expected, hr);
    if (hr != S_OK) {
      for (std::uint8_t b : buffer) ASSERT_EQ(0xCD, b);  // nothing written on failure
      continue;
    }
    const WICRect r = c.useRect ? c.rect : WICRect{0, 0, 5, 3};
    for (INT y = 0; y < r.Height; ++y)
      for (INT x = 0; x < r.Width; ++x)
        EXPECT_EQ(10 * (r.Y + y) + r.X + x, buffer[y * c.stride + x * 4]);
    for (std::size_t i = std::size_t(c.size); i < buffer.size(); ++i) EXPECT_EQ(0xCD, buffer[i]);
  }
}

TEST_F(WicBitmap, BlackWhiteRectanglesStartOnTheirFirstPixelWithSpareBitsClear) {
  // One row of 20 pixels: 1010 1100 1111 0000 0110.
  std::uint8_t row[3] = {0xAC, 0xF0, 0x60};
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromMemory(20, 1, GUID_WICPixelFormatBlackWhite, 3, 3, row, bitmap.put()));
  struct Case {
    WICRect rect;
    std::vector<std::uint8_t> expected;
  } cases[] = {
      {{0, 0, 20, 1}, {0xAC, 0xF0, 0x60}},
      {{3, 0, 9, 1}, {0x67, 0x80}},   // 0110 0111 1
      {{5, 0, 3, 1}, {0x80}},         // 100
      {{13, 0, 7, 1}, {0x0C}},        // 0000 110
      {{8, 0, 8, 1}, {0xF0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rect.X);
    std::vector<std::uint8_t> out(c.expected.size(), 0xFF);
    EXPECT_EQ(S_OK, bitmap->CopyPixels(&c.rect, UINT(out.size()), UINT(out.size()), out.data()));
    EXPECT_EQ(c.expected, out);
  }
}

TEST_F(WicBitmap, PaletteCallsOnATrueColourBitmap) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(1, 1, [](UINT, UINT) { return Grey(0); });
  EXPECT_EQ(E_INVALIDARG, bitmap->CopyPalette(nullptr));
  EXPECT_EQ(E_INVALIDARG, bitmap->SetPalette(nullptr));
  UINT w = 0;
  EXPECT_EQ(E_INVALIDARG, bitmap->GetSize(&w, nullptr));
  EXPECT_EQ(E_INVALIDARG, bitmap->GetPixelFormat(nullptr));
}

}  // namespace
}  // namespace wictest
