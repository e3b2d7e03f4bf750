// The chain the page image step runs: turn, scale to the head width, copy into a bitmap, edit it
// in place under a write lock, convert to one bit.
#include "wic_test_support.h"

namespace wictest {
namespace {

using WicChain = WicTest;

TEST_F(WicChain, LandscapeStripToHeadWidthOneBitImage) {
  // A 200 x 1152 landscape strip: its right half is black, its left half white.
  const UINT w0 = 200, h0 = 1152, W = 576;
  ComPtr<IWICBitmap> strip = MakeBgra(w0, h0, [&](UINT x, UINT) { return Grey(x < w0 / 2 ? 255 : 0); });
  ASSERT_EQ(S_OK, strip->SetResolution(203.0, 203.0));

  ComPtr<IWICBitmapFlipRotator> rotator;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
  ASSERT_EQ(S_OK, rotator->Initialize(strip.get(), WICBitmapTransformRotate270));
  UINT rw = 0, rh = 0;
  ASSERT_EQ(S_OK, rotator->GetSize(&rw, &rh));
  ASSERT_EQ(h0, rw);
  ASSERT_EQ(w0, rh);
  const UINT H = W * rh / rw;  // 100

  ComPtr<IWICBitmapScaler> scaler;
  ASSERT_EQ(S_OK, factory_->CreateBitmapScaler(scaler.put()));
  ASSERT_EQ(S_OK, scaler->Initialize(rotator.get(), W, H, WICBitmapInterpolationModeFant));
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromSource(scaler.get(), WICBitmapCacheOnLoad, bitmap.put()));
  UINT bw = 0, bh = 0;
  ASSERT_EQ(S_OK, bitmap->GetSize(&bw, &bh));
  ASSERT_EQ(W, bw);
  ASSERT_EQ(H, bh);

  {
    // The right edge is now the top: the top half black, the bottom half white. Paint one white
    // pixel into the black half through the lock, addressing rows as exactly 4 x W bytes.
    ComPtr<IWICBitmapLock> lock;
    ASSERT_EQ(S_OK, bitmap->Lock(nullptr, WICBitmapLockWrite, lock.put()));
    UINT size = 0;
    BYTE* data = nullptr;
    ASSERT_EQ(S_OK, lock->GetDataPointer(&size, &data));
    ASSERT_EQ(4u * W * H, size);
    EXPECT_EQ(0, data[4 * (10 * W + 5)]);
    EXPECT_EQ(255, data[4 * (90 * W + 5)]);
    std::fill_n(data + 4 * (10 * W + 5), 3, 255);
  }

  ComPtr<IWICFormatConverter> converter;
  ASSERT_EQ(S_OK, factory_->CreateFormatConverter(converter.put()));
  ASSERT_EQ(S_OK, converter->Initialize(bitmap.get(), GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeNone,
                                        nullptr, 0.0, WICBitmapPaletteTypeCustom));
  const UINT stride = W / 8;
  std::vector<std::uint8_t> image(std::size_t(stride) * H, 0);
  ASSERT_EQ(S_OK, converter->CopyPixels(nullptr, stride, UINT(image.size()), image.data()));
  for (UINT y = 0; y < H; ++y)
    for (UINT x = 0; x < W; ++x) {
      const bool expected = (y >= H / 2) || (x == 5 && y == 10);
      ASSERT_EQ(expected, BitAt(image, stride, x, y)) << x << "," << y;
    }
  double dx = 0, dy = 0;
  EXPECT_EQ(S_OK, converter->GetResolution(&dx, &dy));
  EXPECT_EQ(203.0, dx);
}

}  // namespace
}  // namespace wictest
