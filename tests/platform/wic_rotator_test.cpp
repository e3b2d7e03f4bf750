#include "wic_test_support.h"

namespace wictest {
namespace {

using WicRotator = WicTest;

// The 3 x 2 test pattern, each pixel named by a letter in its blue byte:
//   a b c
//   d e f
Bgra Letter(char c) { return Bgra{std::uint8_t(c), 0, 0, 255}; }
Bgra Pattern(UINT x, UINT y) { return Letter("abcdef"[y * 3 + x]); }

struct RotationCase {
  const char* name;
  DWORD options;
  UINT w, h;
  const char* rows;  // the expected letters, row after row
};

// The expected images, written out by hand.
const RotationCase kRotations[] = {
    {"none", WICBitmapTransformRotate0, 3, 2, "abcdef"},
    // Clockwise: the left column becomes the top row, read bottom-up.
    {"rotate90", WICBitmapTransformRotate90, 2, 3, "dae" "bfc"},
    {"rotate180", WICBitmapTransformRotate180, 3, 2, "fedcba"},
    // Counter-clockwise: the right edge becomes the top edge; (x', y') = (w-1-y', x').
    {"rotate270", WICBitmapTransformRotate270, 2, 3, "cfbead"},
    {"flip horizontal", WICBitmapTransformFlipHorizontal, 3, 2, "cbafed"},
    {"flip vertical", WICBitmapTransformFlipVertical, 3, 2, "defabc"},
    {"flip both", WICBitmapTransformFlipHorizontal | WICBitmapTransformFlipVertical, 3, 2, "fedcba"},
    // Turned first, then mirrored.
    {"rotate90 + flip horizontal", WICBitmapTransformRotate90 | WICBitmapTransformFlipHorizontal, 2, 3, "adbecf"},
    {"rotate90 + flip vertical", WICBitmapTransformRotate90 | WICBitmapTransformFlipVertical, 2, 3, "fcebda"},
    {"rotate270 + flip horizontal", WICBitmapTransformRotate270 | WICBitmapTransformFlipHorizontal, 2, 3,
     "fcebda"},
};

std::string Letters(const std::vector<Bgra>& pixels) {
  std::string s;
  for (const Bgra& p : pixels) s += char(p.b);
  return s;
}

TEST_F(WicRotator, EveryTransformOfAnAsymmetricPattern) {
  ComPtr<IWICBitmap> ours = MakeBgra(3, 2, Pattern);
  auto foreign = MakeForeignBgra(3, 2, Pattern);
  for (const RotationCase& c : kRotations) {
    for (IWICBitmapSource* source : {static_cast<IWICBitmapSource*>(ours.get()),
                                     static_cast<IWICBitmapSource*>(foreign.get())}) {
      SCOPED_TRACE(std::string(c.name) + (source == ours.get() ? " (bitmap)" : " (foreign source)"));
      ComPtr<IWICBitmapFlipRotator> rotator;
      ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
      ASSERT_EQ(S_OK, rotator->Initialize(source, WICBitmapTransformOptions(c.options)));
      UINT w = 0, h = 0;
      const std::vector<Bgra> pixels = ReadBgra(rotator.get(), &w, &h);
      EXPECT_EQ(c.w, w);
      EXPECT_EQ(c.h, h);
      EXPECT_EQ(c.rows, Letters(pixels));
    }
  }
}

TEST_F(WicRotator, Rotate270MatchesItsDefinitionOnALargerImage) {
  const UINT w = 37, h = 70;  // more rows than one band
  auto value = [](UINT x, UINT y) { return Bgra{std::uint8_t(x), std::uint8_t(y), std::uint8_t(x ^ y), 255}; };
  ComPtr<IWICBitmap> strip = MakeBgra(w, h, value);
  ComPtr<IWICBitmapFlipRotator> rotator;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
  ASSERT_EQ(S_OK, rotator->Initialize(strip.get(), WICBitmapTransformRotate270));
  UINT ow = 0, oh = 0;
  const std::vector<Bgra> out = ReadBgra(rotator.get(), &ow, &oh);
  ASSERT_EQ(h, ow);
  ASSERT_EQ(w, oh);
  for (UINT y = 0; y < oh; ++y)
    for (UINT x = 0; x < ow; ++x) ASSERT_EQ(value(w - 1 - y, x), out[y * ow + x]) << x << "," << y;
}

TEST_F(WicRotator, RectanglesMatchTheWholeImage) {
  ComPtr<IWICBitmap> strip = MakeBgra(9, 5, [](UINT x, UINT y) { return Grey(std::uint8_t(x * 16 + y)); });
  for (DWORD options : {DWORD(WICBitmapTransformRotate90), DWORD(WICBitmapTransformRotate270),
                        DWORD(WICBitmapTransformRotate180 | WICBitmapTransformFlipVertical)}) {
    ComPtr<IWICBitmapFlipRotator> rotator;
    ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
    ASSERT_EQ(S_OK, rotator->Initialize(strip.get(), WICBitmapTransformOptions(options)));
    UINT w = 0, h = 0;
    const std::vector<Bgra> whole = ReadBgra(rotator.get(), &w, &h);
    const WICRect rect{1, 2, INT(w) - 2, INT(h) - 3};
    std::vector<Bgra> part(std::size_t(rect.Width) * rect.Height);
    ASSERT_EQ(S_OK, rotator->CopyPixels(&rect, rect.Width * 4, UINT(part.size() * 4),
                                        reinterpret_cast<BYTE*>(part.data())));
    for (INT y = 0; y < rect.Height; ++y)
      for (INT x = 0; x < rect.Width; ++x)
        EXPECT_EQ(whole[(rect.Y + y) * w + rect.X + x], part[y * rect.Width + x]) << options;
  }
}

TEST_F(WicRotator, OneBitImagesTurnToo) {
  // 10 x 2: row 0 has pixels 0 and 9 white, row 1 has pixel 1 white.
  std::uint8_t bits[4] = {0x80, 0x40, 0x40, 0x00};
  ComPtr<IWICBitmap> bitmap;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFromMemory(10, 2, GUID_WICPixelFormatBlackWhite, 2, 4, bits, bitmap.put()));
  ComPtr<IWICBitmapFlipRotator> rotator;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
  ASSERT_EQ(S_OK, rotator->Initialize(bitmap.get(), WICBitmapTransformRotate270));
  // 2 x 10; output (x, y) = input (9 - y, x): row 0 = input column 9 = (1, 0) -> "10".
  const std::vector<std::uint8_t> out = ReadBits(rotator.get());
  ASSERT_EQ(10u, out.size());
  EXPECT_EQ(0x80, out[0]);
  EXPECT_EQ(0x40, out[8]);  // row 8 = input column 1 = (0, 1)
  EXPECT_EQ(0x80, out[9]);  // row 9 = input column 0 = (1, 0)
  for (int row = 1; row < 8; ++row) EXPECT_EQ(0x00, out[row]) << row;
}

TEST_F(WicRotator, OnePixelAndArgumentChecks) {
  ComPtr<IWICBitmap> dot = MakeBgra(1, 1, [](UINT, UINT) { return Bgra{1, 2, 3, 4}; });
  ComPtr<IWICBitmapFlipRotator> rotator;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
  UINT w = 7, h = 7;
  EXPECT_EQ(WINCODEC_ERR_NOTINITIALIZED, rotator->GetSize(&w, &h));
  std::uint8_t buffer[4] = {};
  EXPECT_EQ(WINCODEC_ERR_NOTINITIALIZED, rotator->CopyPixels(nullptr, 4, 4, buffer));
  EXPECT_EQ(E_INVALIDARG, rotator->Initialize(nullptr, WICBitmapTransformRotate90));
  EXPECT_EQ(E_INVALIDARG, rotator->Initialize(dot.get(), WICBitmapTransformOptions(0x4)));
  ASSERT_EQ(S_OK, rotator->Initialize(dot.get(), WICBitmapTransformRotate270));
  EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, rotator->Initialize(dot.get(), WICBitmapTransformRotate90));
  EXPECT_EQ(Bgra({1, 2, 3, 4}), ReadBgra(rotator.get()).at(0));
  EXPECT_EQ(E_INVALIDARG, rotator->CopyPixels(nullptr, 3, 4, buffer));
  EXPECT_EQ(E_INVALIDARG, rotator->CopyPixels(nullptr, 4, 3, buffer));
  EXPECT_EQ(E_INVALIDARG, rotator->CopyPixels(nullptr, 4, 4, nullptr));
}

TEST_F(WicRotator, QuarterTurnsSwapTheResolution) {
  auto foreign = MakeForeignBgra(2, 1, [](UINT, UINT) { return Grey(0); });  // 300 x 150 dpi
  ComPtr<IWICBitmapFlipRotator> rotator;
  ASSERT_EQ(S_OK, factory_->CreateBitmapFlipRotator(rotator.put()));
  ASSERT_EQ(S_OK, rotator->Initialize(foreign.get(), WICBitmapTransformRotate270));
  double x = 0, y = 0;
  EXPECT_EQ(S_OK, rotator->GetResolution(&x, &y));
  EXPECT_EQ(150.0, x);
  EXPECT_EQ(300.0, y);
}

}  // namespace
}  // namespace wictest
