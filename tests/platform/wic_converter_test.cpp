#include "wic_test_support.h"

#include <cmath>

namespace wictest {
namespace {

using WicConverter = WicTest;

ComPtr<IWICFormatConverter> ToBlackWhite(IWICImagingFactory* factory, IWICBitmapSource* source,
                                         WICBitmapDitherType dither) {
  ComPtr<IWICFormatConverter> converter;
  EXPECT_EQ(S_OK, factory->CreateFormatConverter(converter.put()));
  EXPECT_EQ(S_OK, converter->Initialize(source, GUID_WICPixelFormatBlackWhite, dither, nullptr, 0.0,
                                        WICBitmapPaletteTypeCustom));
  return converter;
}

TEST_F(WicConverter, ThresholdPacksLeftmostPixelHighestWithWhiteAsOne) {
  // 13 pixels: greys 127 and 128 either side of the threshold, then colours by luminance:
  // green 255 (182, white), red 255 (54, black), blue 255 (18, black), yellow (237, white).
  const Bgra row[13] = {Grey(0),    Grey(255), Grey(127),          Grey(128),          Grey(128, 0),
                        Grey(200),  Grey(10),  Bgra{0, 255, 0, 255}, Bgra{0, 0, 255, 255}, Bgra{255, 0, 0, 255},
                        Bgra{0, 255, 255, 255}, Grey(255), Grey(0)};
  ComPtr<IWICBitmap> bitmap = MakeBgra(13, 2, [&](UINT x, UINT y) { return y == 0 ? row[x] : Grey(255); });
  ComPtr<IWICFormatConverter> converter = ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeNone);
  GUID format{};
  EXPECT_EQ(S_OK, converter->GetPixelFormat(&format));
  EXPECT_EQ(GUID_WICPixelFormatBlackWhite, format);
  const std::vector<std::uint8_t> bits = ReadBits(converter.get());
  // 0 1 0 1 1 1 0 1 | 0 0 1 1 0 (alpha is not consulted)
  ASSERT_EQ(4u, bits.size());
  EXPECT_EQ(0x5D, bits[0]);
  EXPECT_EQ(0x30, bits[1]);  // the three spare bits are 0
  EXPECT_EQ(0xFF, bits[2]);
  EXPECT_EQ(0xF8, bits[3]);
}

TEST_F(WicConverter, ThresholdRowsOfEveryWidthAndRectangles) {
  for (UINT w : {1u, 7u, 8u, 9u, 15u, 17u, 576u, 579u}) {
    SCOPED_TRACE(w);
    auto value = [](UINT x, UINT y) { return Grey((x * 5 + y * 3) % 7 < 3 ? 40 : 220); };
    ComPtr<IWICBitmap> bitmap = MakeBgra(w, 3, value);
    ComPtr<IWICFormatConverter> converter = ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeNone);
    const UINT stride = (w + 7) / 8;
    const std::vector<std::uint8_t> bits = ReadBits(converter.get());
    for (UINT y = 0; y < 3; ++y) {
      for (UINT x = 0; x < w; ++x) ASSERT_EQ(value(x, y).g > 128, BitAt(bits, stride, x, y)) << x << "," << y;
      for (UINT x = w; x < stride * 8; ++x) ASSERT_FALSE(BitAt(bits, stride, x, y)) << "spare " << x;
    }
    if (w < 3) continue;
    // A rectangle starts at bit 7 of its first byte.
    const WICRect rect{1, 1, INT(w) - 2, 2};
    const UINT rstride = (w - 2 + 7) / 8 + 1;  // with a spare byte that must stay untouched
    std::vector<std::uint8_t> part(rstride * 2, 0xA5);
    ASSERT_EQ(S_OK, converter->CopyPixels(&rect, rstride, UINT(part.size()), part.data()));
    for (INT y = 0; y < 2; ++y) {
      for (INT x = 0; x < rect.Width; ++x)
        ASSERT_EQ(BitAt(bits, stride, x + 1, y + 1), BitAt(part, rstride, x, y)) << x << "," << y;
      EXPECT_EQ(0xA5, part[y * rstride + rstride - 1]);
    }
  }
}

double WhiteShare(const std::vector<std::uint8_t>& bits, UINT w, UINT h) {
  const UINT stride = (w + 7) / 8;
  std::size_t white = 0;
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) white += BitAt(bits, stride, x, y);
  return double(white) / (double(w) * h);
}

TEST_F(WicConverter, ErrorDiffusionKeepsTheMeanGreyLevel) {
  const UINT w = 576, h = 300;
  for (std::uint8_t grey : {std::uint8_t(128), std::uint8_t(64), std::uint8_t(200), std::uint8_t(3)}) {
    SCOPED_TRACE(int(grey));
    ComPtr<IWICBitmap> bitmap = MakeBgra(w, h, [&](UINT, UINT) { return Grey(grey); });
    const std::vector<std::uint8_t> bits =
        ReadBits(ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeErrorDiffusion).get());
    EXPECT_NEAR(grey / 255.0, WhiteShare(bits, w, h), 0.002);
    const std::vector<std::uint8_t> plain =
        ReadBits(ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeNone).get());
    EXPECT_NE(plain, bits);  // the plain conversion is all one colour
  }
}

TEST_F(WicConverter, ErrorDiffusionOfHalfGreyMakesBothColoursEverywhere) {
  const UINT w = 33, h = 20;
  ComPtr<IWICBitmap> bitmap = MakeBgra(w, h, [](UINT, UINT) { return Grey(128); });
  const std::vector<std::uint8_t> bits =
      ReadBits(ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeErrorDiffusion).get());
  const UINT stride = (w + 7) / 8;
  for (UINT y = 0; y < h; ++y) {
    int white = 0;
    for (UINT x = 0; x < w; ++x) white += BitAt(bits, stride, x, y);
    EXPECT_GT(white, 10) << y;
    EXPECT_LT(white, 23) << y;
    for (UINT x = w; x < stride * 8; ++x) EXPECT_FALSE(BitAt(bits, stride, x, y));
  }
}

TEST_F(WicConverter, ErrorDiffusionKeepsPureColoursAndPrecomposedPatterns) {
  const UINT w = 19, h = 7;
  auto value = [](UINT x, UINT y) { return Grey((x + y) % 3 == 0 ? 255 : 0); };
  ComPtr<IWICBitmap> bitmap = MakeBgra(w, h, value);
  const std::vector<std::uint8_t> diffused =
      ReadBits(ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeErrorDiffusion).get());
  const std::vector<std::uint8_t> plain =
      ReadBits(ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeNone).get());
  EXPECT_EQ(plain, diffused);
  for (UINT y = 0; y < h; ++y)
    for (UINT x = 0; x < w; ++x) EXPECT_EQ(value(x, y).g == 255, BitAt(plain, 3, x, y));
}

TEST_F(WicConverter, ErrorDiffusionInBandsRectanglesAndFromForeignSourcesGivesTheSameBits) {
  const UINT w = 45, h = 60;
  auto value = [](UINT x, UINT y) { return Bgra{std::uint8_t(x * 5), std::uint8_t(y * 4), std::uint8_t(x * y), 255}; };
  ComPtr<IWICBitmap> bitmap = MakeBgra(w, h, value);
  auto foreign = MakeForeignBgra(w, h, value);
  const std::vector<std::uint8_t> whole =
      ReadBits(ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeErrorDiffusion).get());
  EXPECT_EQ(whole, ReadBits(ToBlackWhite(factory_.get(), foreign.get(), WICBitmapDitherTypeErrorDiffusion).get()));

  const UINT stride = (w + 7) / 8;
  ComPtr<IWICFormatConverter> converter = ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeErrorDiffusion);
  std::vector<std::uint8_t> banded(whole.size());
  for (INT y = 0; y < INT(h); y += 7) {
    const WICRect band{0, y, INT(w), std::min(7, INT(h) - y)};
    ASSERT_EQ(S_OK, converter->CopyPixels(&band, stride, stride * band.Height, &banded[y * stride]));
  }
  EXPECT_EQ(whole, banded);
  // A rectangle further up starts the diffusion again; one lower down runs the rows above it first.
  for (const WICRect rect : {WICRect{3, 2, 20, 5}, WICRect{9, 40, 30, 11}}) {
    std::vector<std::uint8_t> part(4 * rect.Height);
    ASSERT_EQ(S_OK, converter->CopyPixels(&rect, 4, UINT(part.size()), part.data()));
    for (INT y = 0; y < rect.Height; ++y)
      for (INT x = 0; x < rect.Width; ++x)
        ASSERT_EQ(BitAt(whole, stride, rect.X + x, rect.Y + y), BitAt(part, 4, x, y)) << x << "," << y;
  }
}

TEST_F(WicConverter, SameFormatPassesThePixelsUnchanged) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(3, 2, [](UINT x, UINT y) { return Bgra{std::uint8_t(x), std::uint8_t(y), 9, 17}; });
  ComPtr<IWICFormatConverter> converter;
  ASSERT_EQ(S_OK, factory_->CreateFormatConverter(converter.put()));
  ASSERT_EQ(S_OK, converter->Initialize(bitmap.get(), GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, nullptr,
                                        0.0, WICBitmapPaletteTypeCustom));
  EXPECT_EQ(ReadBgra(bitmap.get()), ReadBgra(converter.get()));
}

TEST_F(WicConverter, CanConvertAnswersForEachPair) {
  ComPtr<IWICFormatConverter> converter;
  ASSERT_EQ(S_OK, factory_->CreateFormatConverter(converter.put()));
  struct Case {
    const GUID* from;
    const GUID* to;
    BOOL expected;
  } cases[] = {
      {&GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormatBlackWhite, TRUE},
      {&GUID_WICPixelFormat32bppPBGRA, &GUID_WICPixelFormatBlackWhite, TRUE},
      {&GUID_WICPixelFormat32bppBGR, &GUID_WICPixelFormatBlackWhite, TRUE},
      {&GUID_WICPixelFormat8bppGray, &GUID_WICPixelFormatBlackWhite, TRUE},
      {&GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat32bppBGRA, TRUE},
      {&GUID_WICPixelFormatBlackWhite, &GUID_WICPixelFormat32bppBGRA, FALSE},
      {&GUID_WICPixelFormat32bppBGRA, &GUID_WICPixelFormat8bppGray, FALSE},
      {&IID_IWICBitmap, &IID_IWICBitmap, FALSE},
  };
  for (const Case& c : cases) {
    BOOL can = 7;
    EXPECT_EQ(S_OK, converter->CanConvert(*c.from, *c.to, &can));
    EXPECT_EQ(c.expected, can);
  }
  EXPECT_EQ(E_INVALIDARG, converter->CanConvert(GUID_WICPixelFormat32bppBGRA, GUID_WICPixelFormatBlackWhite, nullptr));
}

TEST_F(WicConverter, InitializeChecksItsArguments) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(2, 2, [](UINT, UINT) { return Grey(0); });
  ComPtr<IWICBitmap> bw;
  ASSERT_EQ(S_OK, factory_->CreateBitmap(8, 1, GUID_WICPixelFormatBlackWhite, WICBitmapCacheOnLoad, bw.put()));
  struct Case {
    const char* name;
    IWICBitmapSource* source;
    const GUID* to;
    DWORD dither;
    double alpha;
    DWORD palette;
    HRESULT expected;
  } cases[] = {
      {"plain", bitmap.get(), &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeNone, 0.0, 0, S_OK},
      {"diffusion", bitmap.get(), &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeErrorDiffusion, 0.0, 0, S_OK},
      {"null source", nullptr, &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeNone, 0.0, 0, E_INVALIDARG},
      {"unknown dither", bitmap.get(), &GUID_WICPixelFormatBlackWhite, 9, 0.0, 0, E_INVALIDARG},
      {"ordered dither", bitmap.get(), &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeOrdered4x4, 0.0, 0,
       WINCODEC_ERR_UNSUPPORTEDOPERATION},
      {"alpha over 100", bitmap.get(), &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeNone, 100.5, 0, E_INVALIDARG},
      {"alpha NaN", bitmap.get(), &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeNone, std::nan(""), 0,
       E_INVALIDARG},
      {"unknown palette", bitmap.get(), &GUID_WICPixelFormatBlackWhite, WICBitmapDitherTypeNone, 0.0, 13,
       E_INVALIDARG},
      {"to grey", bitmap.get(), &GUID_WICPixelFormat8bppGray, WICBitmapDitherTypeNone, 0.0, 0,
       WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT},
      {"from one bit", bw.get(), &GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone, 0.0, 0,
       WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IWICFormatConverter> converter;
    ASSERT_EQ(S_OK, factory_->CreateFormatConverter(converter.put()));
    EXPECT_EQ(c.expected, converter->Initialize(c.source, *c.to, WICBitmapDitherType(c.dither), nullptr, c.alpha,
                                                WICBitmapPaletteType(c.palette)));
    std::uint8_t bytes[2] = {};
    EXPECT_EQ(c.expected == S_OK ? S_OK : WINCODEC_ERR_NOTINITIALIZED, converter->CopyPixels(nullptr, 1, 2, bytes));
  }
}

TEST_F(WicConverter, ConversionFailsWhileTheBitmapIsLockedForWriting) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(8, 1, [](UINT, UINT) { return Grey(255); });
  ComPtr<IWICFormatConverter> converter = ToBlackWhite(factory_.get(), bitmap.get(), WICBitmapDitherTypeNone);
  ComPtr<IWICBitmapLock> lock;
  ASSERT_EQ(S_OK, bitmap->Lock(nullptr, WICBitmapLockWrite, lock.put()));
  std::uint8_t byte = 0x11;
  EXPECT_EQ(WINCODEC_ERR_ALREADYLOCKED, converter->CopyPixels(nullptr, 1, 1, &byte));
  lock.reset();
  EXPECT_EQ(S_OK, converter->CopyPixels(nullptr, 1, 1, &byte));
  EXPECT_EQ(0xFF, byte);
}

}  // namespace
}  // namespace wictest
