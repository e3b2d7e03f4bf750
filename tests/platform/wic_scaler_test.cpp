#include "wic_test_support.h"

#include <algorithm>
#include <cmath>

namespace wictest {
namespace {

ComPtr<IWICBitmapScaler> Scale(IWICImagingFactory* factory, IWICBitmapSource* source, UINT w, UINT h,
                               WICBitmapInterpolationMode mode = WICBitmapInterpolationModeFant) {
  ComPtr<IWICBitmapScaler> scaler;
  EXPECT_EQ(S_OK, factory->CreateBitmapScaler(scaler.put()));
  EXPECT_EQ(S_OK, scaler->Initialize(source, w, h, mode));
  return scaler;
}

std::uint8_t Channel(const Bgra& p, int c) { return c == 0 ? p.b : c == 1 ? p.g : c == 2 ? p.r : p.a; }

// The area average of one channel, computed independently in double precision: output pixel (x, y)
// covers [x·sw/w, (x+1)·sw/w) x [y·sh/h, (y+1)·sh/h) of the source.
double AreaAverage(const std::vector<Bgra>& src, UINT sw, UINT sh, UINT w, UINT h, UINT x, UINT y, int channel) {
  const double x0 = double(x) * sw / w, x1 = double(x + 1) * sw / w;
  const double y0 = double(y) * sh / h, y1 = double(y + 1) * sh / h;
  double sum = 0;
  for (UINT sy = UINT(y0); sy < sh && sy < y1; ++sy) {
    const double hy = std::min(y1, sy + 1.0) - std::max(y0, double(sy));
    for (UINT sx = UINT(x0); sx < sw && sx < x1; ++sx) {
      const double wx = std::min(x1, sx + 1.0) - std::max(x0, double(sx));
      sum += wx * hy * Channel(src[sy * sw + sx], channel);
    }
  }
  return sum / ((x1 - x0) * (y1 - y0));
}

struct ScaleCase {
  UINT sw, sh, w, h;
};

// Scales sources of random pixels.
class WicScaler : public WicTest {
 protected:
  // A source of random pixels of the case's size, and what the scaler makes of it.
  struct Scaled {
    std::vector<Bgra> src, out;
  };
  Scaled ScaleNoise(const ScaleCase& s, Noise& noise) {
    Scaled r;
    r.src.resize(std::size_t(s.sw) * s.sh);
    for (Bgra& p : r.src) p = Bgra{noise.Next(), noise.Next(), noise.Next(), noise.Next()};
    ComPtr<IWICBitmap> bitmap = MakeBgra(s.sw, s.sh, [&](UINT x, UINT y) { return r.src[y * s.sw + x]; });
    r.out = ReadBgra(Scale(factory_.get(), bitmap.get(), s.w, s.h).get());
    return r;
  }
};

TEST_F(WicScaler, HalvingGivesTheExactRoundedAverageOfEachTwoByTwoBlock) {
  // Blocks chosen for their averages: 0.25 -> 0, 0.5 -> 1 (halves round up), 0.75 -> 1, 254.5 -> 255.
  const std::uint8_t blocks[4][4] = {{0, 0, 0, 1}, {0, 0, 1, 1}, {1, 1, 1, 0}, {255, 254, 255, 254}};
  std::vector<Bgra> src(8 * 2);
  for (int b = 0; b < 4; ++b)
    for (int k = 0; k < 4; ++k) {
      const UINT x = b * 2 + k % 2, y = k / 2;
      src[y * 8 + x] = Bgra{blocks[b][k], std::uint8_t(blocks[b][k] * 2 / 2), 100, std::uint8_t(255 - blocks[b][k])};
    }
  ComPtr<IWICBitmap> bitmap = MakeBgra(8, 2, [&](UINT x, UINT y) { return src[y * 8 + x]; });
  const std::vector<Bgra> out = ReadBgra(Scale(factory_.get(), bitmap.get(), 4, 1).get());
  ASSERT_EQ(4u, out.size());
  EXPECT_EQ(Bgra({0, 0, 100, 255}), out[0]);    // alpha: 255, 255, 255, 254 -> 254.75 -> 255
  EXPECT_EQ(Bgra({1, 1, 100, 255}), out[1]);    // alpha 254.5 -> 255
  EXPECT_EQ(Bgra({1, 1, 100, 254}), out[2]);    // alpha 254.25 -> 254
  EXPECT_EQ(Bgra({255, 255, 100, 1}), out[3]);  // 254.5 -> 255; alpha 0.5 -> 1
}

TEST_F(WicScaler, IntegerRatiosAverageWholeBoxes) {
  Noise noise(7);
  std::vector<Bgra> src(12 * 9);
  for (Bgra& p : src) p = Bgra{noise.Next(), noise.Next(), noise.Next(), noise.Next()};
  ComPtr<IWICBitmap> bitmap = MakeBgra(12, 9, [&](UINT x, UINT y) { return src[y * 12 + x]; });
  const std::vector<Bgra> out = ReadBgra(Scale(factory_.get(), bitmap.get(), 4, 3).get());  // 3 x 3 boxes
  for (UINT y = 0; y < 3; ++y)
    for (UINT x = 0; x < 4; ++x)
      for (int c = 0; c < 4; ++c) {
        int sum = 0;
        for (UINT k = 0; k < 9; ++k) sum += Channel(src[(3 * y + k / 3) * 12 + 3 * x + k % 3], c);
        EXPECT_EQ((sum + 4) / 9, Channel(out[y * 4 + x], c)) << x << "," << y << " channel " << c;
      }
}

TEST_F(WicScaler, FractionalRatiosGiveEachSourcePixelItsShare) {
  // 3 -> 2: output 0 covers source 0 and half of 1: (0 + 15) / 1.5 = 10; output 1: (15 + 60) / 1.5 = 50.
  ComPtr<IWICBitmap> three = MakeBgra(3, 1, [](UINT x, UINT) { return Grey(std::uint8_t(30 * x)); });
  std::vector<Bgra> out = ReadBgra(Scale(factory_.get(), three.get(), 2, 1).get());
  EXPECT_EQ(Grey(10), out.at(0));
  EXPECT_EQ(Grey(50), out.at(1));
  // 2 -> 3: the middle output straddles both sources equally.
  ComPtr<IWICBitmap> two = MakeBgra(2, 1, [](UINT x, UINT) { return Grey(std::uint8_t(90 * x)); });
  out = ReadBgra(Scale(factory_.get(), two.get(), 3, 1).get());
  EXPECT_EQ(Grey(0), out.at(0));
  EXPECT_EQ(Grey(45), out.at(1));
  EXPECT_EQ(Grey(90), out.at(2));
}

TEST_F(WicScaler, HeadWidthKeepsAFlatGreyAndTheMeanOfARamp) {
  ComPtr<IWICBitmap> flat = MakeBgra(640, 300, [](UINT, UINT) { return Grey(137, 200); });
  for (const Bgra& p : ReadBgra(Scale(factory_.get(), flat.get(), 576, 270).get())) ASSERT_EQ(Grey(137, 200), p);

  ComPtr<IWICBitmap> ramp = MakeBgra(640, 4, [](UINT x, UINT) { return Grey(std::uint8_t(x * 255 / 639)); });
  double before = 0, after = 0;
  for (const Bgra& p : ReadBgra(ramp.get())) before += p.g;
  UINT w = 0, h = 0;
  const std::vector<Bgra> out = ReadBgra(Scale(factory_.get(), ramp.get(), 576, 4).get(), &w, &h);
  for (const Bgra& p : out) after += p.g;
  EXPECT_EQ(576u, w);
  EXPECT_NEAR(before / (640 * 4), after / (576 * 4), 0.05);
  for (UINT x = 1; x < 576; ++x) EXPECT_LE(out[x - 1].g, out[x].g) << x;  // still a ramp
}

TEST_F(WicScaler, MatchesAnIndependentAreaAverageOnRandomImages) {
  const ScaleCase sizes[] = {{640, 37, 576, 33}, {17, 13, 5, 4}, {5, 7, 11, 13}, {1, 1, 3, 2},
                             {9, 9, 1, 1},      {7, 300, 3, 41}, {33, 5, 33, 9},
                             {4099, 2053, 5, 3}};  // prime sizes: the sums need more than 31 bits
  Noise noise(11);
  for (const ScaleCase& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " -> " << s.w << "x" << s.h);
    const auto [src, out] = ScaleNoise(s, noise);
    for (UINT y = 0; y < s.h; ++y)
      for (UINT x = 0; x < s.w; ++x)
        for (int c = 0; c < 4; ++c) {
          const double expected = AreaAverage(src, s.sw, s.sh, s.w, s.h, x, y, c);
          ASSERT_LE(std::fabs(Channel(out[y * s.w + x], c) - expected), 0.5 + 1e-9)
              << x << "," << y << " channel " << c << " expected " << expected;
        }
  }
}

// The exactly rounded area average (halves up) in integers: with source pixel j covering
// [j·w, (j+1)·w) and output pixel x covering [x·sw, (x+1)·sw), the weights are the overlaps.
std::uint8_t ExactAverage(const std::vector<Bgra>& src, UINT sw, UINT sh, UINT w, UINT h, UINT x, UINT y, int c) {
  std::uint64_t sum = 0;
  // Only the source pixels that can overlap: sy · h < (y + 1) · sh and (sy + 1) · h > y · sh.
  const UINT sy0 = UINT(std::uint64_t(y) * sh / h), sy1 = UINT((std::uint64_t(y + 1) * sh + h - 1) / h);
  const UINT sx0 = UINT(std::uint64_t(x) * sw / w), sx1 = UINT((std::uint64_t(x + 1) * sw + w - 1) / w);
  for (UINT sy = sy0; sy < sy1; ++sy) {
    const std::int64_t oy = std::min<std::int64_t>((y + 1) * std::int64_t(sh), (sy + 1) * std::int64_t(h)) -
                            std::max<std::int64_t>(y * std::int64_t(sh), sy * std::int64_t(h));
    if (oy <= 0) continue;
    for (UINT sx = sx0; sx < sx1; ++sx) {
      const std::int64_t ox = std::min<std::int64_t>((x + 1) * std::int64_t(sw), (sx + 1) * std::int64_t(w)) -
                              std::max<std::int64_t>(x * std::int64_t(sw), sx * std::int64_t(w));
      if (ox > 0) sum += std::uint64_t(ox * oy) * Channel(src[sy * sw + sx], c);
    }
  }
  const std::uint64_t unit = std::uint64_t(sw) * sh;
  return std::uint8_t((2 * sum + unit) / (2 * unit));
}

// Every channel of every output pixel is the exactly rounded average.
void ExpectExactAverages(const std::vector<Bgra>& src, const ScaleCase& s, const std::vector<Bgra>& out) {
  ASSERT_EQ(std::size_t(s.w) * s.h, out.size());
  for (UINT y = 0; y < s.h; ++y)
    for (UINT x = 0; x < s.w; ++x)
      for (int c = 0; c < 4; ++c)
        ASSERT_EQ(ExactAverage(src, s.sw, s.sh, s.w, s.h, x, y, c), Channel(out[y * s.w + x], c))
            << x << "," << y << " channel " << c;
}

TEST_F(WicScaler, WidthsNeedingTwoOrThreeTapsGiveTheExactlyRoundedAverage) {
  // 640 -> 576 needs two source columns per output column at most, 639 -> 576 and 1100 -> 576 three;
  // 1300 -> 576 four (the four-tap kernel where the processor has it, else the general path).
  const ScaleCase sizes[] = {{640, 5, 576, 4}, {639, 7, 576, 6}, {1100, 3, 576, 2}, {1300, 2, 576, 1}, {5, 3, 4, 3}};
  Noise noise(23);
  for (const ScaleCase& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " -> " << s.w << "x" << s.h);
    const auto [src, out] = ScaleNoise(s, noise);
    ExpectExactAverages(src, s, out);
  }
}

TEST_F(WicScaler, PatchesOfOneColourAndTheirEdgesGiveTheExactlyRoundedAverage) {
  // Paper with patches (black, a translucent colour, clear) that start and end mid-block and mid-row,
  // and specks: runs of one colour are taken without arithmetic, which must not show at their edges,
  // where a patch meets another colour across or down, whether two, three or more source columns
  // make an output column, nor when enlarging.
  const ScaleCase sizes[] = {{640, 41, 576, 37}, {639, 97, 576, 87}, {1677, 61, 576, 20}, {300, 9, 7, 300},
                             {50, 40, 130, 77}};
  for (const ScaleCase& s : sizes) {
    SCOPED_TRACE(testing::Message() << s.sw << "x" << s.sh << " -> " << s.w << "x" << s.h);
    auto value = [&](UINT x, UINT y) {
      if (y > s.sh * 5 / 6 && (x * 7 + y * 13) % 97 == 0) return Bgra{std::uint8_t(x), std::uint8_t(y), 9, 250};
      if (x >= s.sw / 5 && x < s.sw / 2 && y >= s.sh / 4 && y < s.sh / 2) return Grey(0);
      if (x >= s.sw / 3 && x < s.sw * 3 / 4 && y >= s.sh / 2 && y < s.sh * 3 / 4) return Bgra{40, 120, 200, 180};
      if (x >= s.sw * 7 / 8 && y >= s.sh / 8) return Bgra{0, 0, 0, 0};
      return Grey(255);
    };
    std::vector<Bgra> src(std::size_t(s.sw) * s.sh);
    for (UINT y = 0; y < s.sh; ++y)
      for (UINT x = 0; x < s.sw; ++x) src[std::size_t(y) * s.sw + x] = value(x, y);
    ComPtr<IWICBitmap> bitmap = MakeBgra(s.sw, s.sh, value);
    const std::vector<Bgra> out = ReadBgra(Scale(factory_.get(), bitmap.get(), s.w, s.h).get());
    ExpectExactAverages(src, s, out);
  }
}

TEST_F(WicScaler, OnePixelStaysAndSpreads) {
  ComPtr<IWICBitmap> dot = MakeBgra(1, 1, [](UINT, UINT) { return Bgra{10, 20, 30, 40}; });
  EXPECT_EQ(Bgra({10, 20, 30, 40}), ReadBgra(Scale(factory_.get(), dot.get(), 1, 1).get()).at(0));
  for (const Bgra& p : ReadBgra(Scale(factory_.get(), dot.get(), 7, 5).get())) EXPECT_EQ(Bgra({10, 20, 30, 40}), p);
}

TEST_F(WicScaler, RectanglesBandsAndForeignSourcesAgreeWithTheWholeImage) {
  const UINT sw = 300, sh = 2000, w = 170, h = 1333;  // enough rows for several bands
  auto value = [](UINT x, UINT y) {
    return Bgra{std::uint8_t(x * 7 + y), std::uint8_t(y * 3), std::uint8_t(x ^ y), std::uint8_t(255 - x)};
  };
  ComPtr<IWICBitmap> bitmap = MakeBgra(sw, sh, value);
  auto foreign = MakeForeignBgra(sw, sh, value);
  const std::vector<Bgra> whole = ReadBgra(Scale(factory_.get(), bitmap.get(), w, h).get());
  EXPECT_EQ(whole, ReadBgra(Scale(factory_.get(), foreign.get(), w, h).get()));

  ComPtr<IWICBitmapScaler> scaler = Scale(factory_.get(), bitmap.get(), w, h);
  const WICRect rect{13, 401, 101, 77};
  std::vector<Bgra> part(std::size_t(rect.Width) * rect.Height);
  ASSERT_EQ(S_OK, scaler->CopyPixels(&rect, rect.Width * 4, UINT(part.size() * 4), reinterpret_cast<BYTE*>(part.data())));
  for (INT y = 0; y < rect.Height; ++y)
    for (INT x = 0; x < rect.Width; ++x)
      ASSERT_EQ(whole[(rect.Y + y) * w + rect.X + x], part[y * rect.Width + x]) << x << "," << y;
}

TEST_F(WicScaler, NearestNeighbourPicksThePixelUnderEachCentre) {
  ComPtr<IWICBitmap> row = MakeBgra(5, 1, [](UINT x, UINT) { return Grey(std::uint8_t(x)); });
  const std::vector<Bgra> out =
      ReadBgra(Scale(factory_.get(), row.get(), 2, 1, WICBitmapInterpolationModeNearestNeighbor).get());
  EXPECT_EQ(Grey(1), out.at(0));  // centre 0.25 x 5 = 1.25
  EXPECT_EQ(Grey(3), out.at(1));  // centre 0.75 x 5 = 3.75
}

TEST_F(WicScaler, InitializeChecksItsArguments) {
  ComPtr<IWICBitmap> bitmap = MakeBgra(4, 4, [](UINT, UINT) { return Grey(0); });
  ComPtr<IWICBitmap> bw;
  ASSERT_EQ(S_OK, factory_->CreateBitmap(8, 8, GUID_WICPixelFormatBlackWhite, WICBitmapCacheOnLoad, bw.put()));
  // Prime sizes near 2^20 in both directions: exact weights would need more than 39 bits.
  auto vast = ComPtr<ForeignSource>::Attach(new ForeignSource(1048573, 1048571, GUID_WICPixelFormat32bppBGRA, 32, {}));
  struct Case {
    const char* name;
    IWICBitmapSource* source;
    UINT w, h;
    DWORD mode;
    HRESULT expected;
  } cases[] = {
      {"fant", bitmap.get(), 2, 2, WICBitmapInterpolationModeFant, S_OK},
      {"nearest", bitmap.get(), 2, 2, WICBitmapInterpolationModeNearestNeighbor, S_OK},
      {"null source", nullptr, 2, 2, WICBitmapInterpolationModeFant, E_INVALIDARG},
      {"zero width", bitmap.get(), 0, 2, WICBitmapInterpolationModeFant, E_INVALIDARG},
      {"zero height", bitmap.get(), 2, 0, WICBitmapInterpolationModeFant, E_INVALIDARG},
      {"linear", bitmap.get(), 2, 2, WICBitmapInterpolationModeLinear, WINCODEC_ERR_UNSUPPORTEDOPERATION},
      {"unknown mode", bitmap.get(), 2, 2, 99, E_INVALIDARG},
      {"one bit", bw.get(), 2, 2, WICBitmapInterpolationModeFant, WINCODEC_ERR_UNSUPPORTEDPIXELFORMAT},
      {"too wide", bitmap.get(), 0x80000000u, 2, WICBitmapInterpolationModeFant, WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
      {"weights too fine", vast.get(), 576, 577, WICBitmapInterpolationModeFant, WINCODEC_ERR_IMAGESIZEOUTOFRANGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ComPtr<IWICBitmapScaler> scaler;
    ASSERT_EQ(S_OK, factory_->CreateBitmapScaler(scaler.put()));
    EXPECT_EQ(c.expected, scaler->Initialize(c.source, c.w, c.h, WICBitmapInterpolationMode(c.mode)));
    UINT w = 0, h = 0;
    EXPECT_EQ(c.expected == S_OK ? S_OK : WINCODEC_ERR_NOTINITIALIZED, scaler->GetSize(&w, &h));
  }
  ComPtr<IWICBitmapScaler> scaler = Scale(factory_.get(), bitmap.get(), 2, 2);
  EXPECT_EQ(WINCODEC_ERR_WRONGSTATE, scaler->Initialize(bitmap.get(), 3, 3, WICBitmapInterpolationModeFant));
}

TEST_F(WicScaler, LargeOutputsAreServedInPiecesWithoutOverflow) {
  // A 1 x 1 source asked for a 2^31 - 1 wide image: only what is requested gets made.
  ComPtr<IWICBitmap> dot = MakeBgra(1, 1, [](UINT, UINT) { return Grey(77); });
  ComPtr<IWICBitmapScaler> scaler = Scale(factory_.get(), dot.get(), 0x7FFFFFFF, 3);
  const WICRect rect{0x7FFFFFFF - 4, 1, 4, 2};
  std::vector<Bgra> part(8);
  ASSERT_EQ(S_OK, scaler->CopyPixels(&rect, 16, 32, reinterpret_cast<BYTE*>(part.data())));
  for (const Bgra& p : part) EXPECT_EQ(Grey(77), p);
  std::uint8_t byte = 0;
  EXPECT_EQ(E_INVALIDARG, scaler->CopyPixels(nullptr, 0xFFFFFFFF, 0xFFFFFFFF, &byte));
}

}  // namespace
}  // namespace wictest
