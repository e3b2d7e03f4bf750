#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "printer/PixelPasses.h"

namespace brimloft {
namespace {

const char* const kBrightnessOptions[] = {"fraco", "mfraco", "normal", "mforte", "forte", "", "Normal", "x"};

TEST(Brightness, FactorsByOptionValue) {
  EXPECT_EQ((Brightness{true, 2.0}), BrightnessFor("fraco"));
  EXPECT_EQ((Brightness{true, 1.4}), BrightnessFor("mfraco"));
  EXPECT_FALSE(BrightnessFor("normal").curve);
  EXPECT_EQ((Brightness{true, 0.75}), BrightnessFor("mforte"));
  EXPECT_EQ((Brightness{true, 0.25}), BrightnessFor("forte"));
  EXPECT_EQ((Brightness{true, 1.0}), BrightnessFor(""));
  EXPECT_EQ((Brightness{true, 1.0}), BrightnessFor("Forte"));
  EXPECT_EQ((Brightness{true, 1.0}), BrightnessFor("normal "));
}

TEST(Brightness, OpaqueMidGreyUnderEachCurve) {
  EXPECT_EQ(180, CompositeAndCurve(128, 255, BrightnessFor("fraco")));
  EXPECT_EQ(155, CompositeAndCurve(128, 255, BrightnessFor("mfraco")));
  EXPECT_EQ(128, CompositeAndCurve(128, 255, BrightnessFor("normal")));
  EXPECT_EQ(101, CompositeAndCurve(128, 255, BrightnessFor("mforte")));
  EXPECT_EQ(16, CompositeAndCurve(128, 255, BrightnessFor("forte")));
}

TEST(Brightness, BlackAndWhiteAreFixedPointsOfEveryCurve) {
  for (const char* option : kBrightnessOptions) {
    EXPECT_EQ(0, CompositeAndCurve(0, 255, BrightnessFor(option))) << option;
    EXPECT_EQ(255, CompositeAndCurve(255, 255, BrightnessFor(option))) << option;
  }
}

TEST(Brightness, OpaquePixelsKeepEveryValueWithoutACurveOrWithTheIdentityCurve) {
  for (const char* option : {"normal", "", "other"}) {
    for (int c = 0; c < 256; ++c) EXPECT_EQ(c, CompositeAndCurve(BYTE(c), 255, BrightnessFor(option))) << option;
  }
}

TEST(Compositing, OntoWhiteByAlpha) {
  const Brightness none = BrightnessFor("normal");
  EXPECT_EQ(127, CompositeAndCurve(0, 128, none));
  EXPECT_EQ(241, CompositeAndCurve(200, 64, none));
  for (int c = 0; c < 256; ++c) {
    for (const char* option : kBrightnessOptions) {
      EXPECT_EQ(255, CompositeAndCurve(BYTE(c), 0, BrightnessFor(option))) << c << " " << option;
    }
  }
}

TEST(CompositeTable, EveryEntryEqualsTheFormulaAlsoAfterTheBrightnessChanges) {
  CompositeTable table;
  for (const char* option : {"forte", "normal", "mfraco", "forte"}) {
    const Brightness b = BrightnessFor(option);
    table.Select(b);
    for (int a = 255; a >= 0; --a) {
      const BYTE* row = table.Row(BYTE(a));
      for (int c = 0; c < 256; ++c) ASSERT_EQ(CompositeAndCurve(BYTE(c), BYTE(a), b), row[c]) << option << a << c;
    }
  }
}

TEST(CompositeTable, OpaqueIdentityOnlyWithoutAnEffectiveCurve) {
  CompositeTable table;
  table.Select(BrightnessFor("normal"));
  EXPECT_TRUE(table.OpaqueIsIdentity());
  table.Select(BrightnessFor(""));
  EXPECT_TRUE(table.OpaqueIsIdentity());
  table.Select(BrightnessFor("forte"));
  EXPECT_FALSE(table.OpaqueIsIdentity());
}

// The passes written out as plainly as they are defined, for comparison.
void ReferencePasses(std::vector<BYTE>& px, UINT width, UINT height, std::size_t stride, const std::string& bright,
                     const std::string& dither) {
  const Brightness b = BrightnessFor(bright);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      BYTE* p = &px[y * stride + 4 * x];
      const double a = p[3] / 255.0;
      for (int k = 0; k < 3; ++k) {
        double c = p[k] * a + (1.0 - a) * 255.0;
        if (bright != "normal") c = std::pow(c / 255.0, 1.0 / b.factor) * 255.0;
        if (c > 255.0) c = 255.0;
        if (c < 0.0) c = 0.0;
        p[k] = static_cast<BYTE>(static_cast<int>(c));
      }
      p[3] = 255;
    }
  }
  if (dither != "2x2" && dither != "4x4") return;
  static const int m2[4] = {0, 2, 3, 1};
  static const int m4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      BYTE* p = &px[y * stride + 4 * x];
      const double lum = (0.7152 * p[1] + 0.2126 * p[2]) + 0.0722 * p[0];
      int level, threshold;
      if (dither == "2x2") {
        level = static_cast<int>(std::floor(lum * 0.015625));
        threshold = m2[2 * (x % 2) + (y % 2)];
      } else {
        level = static_cast<int>(std::floor(lum * 0.0625));
        threshold = m4[4 * (x % 4) + (y % 4)];
      }
      const BYTE v = level >= threshold ? 255 : 0;
      p[0] = p[1] = p[2] = v;
    }
  }
}

TEST(CompositeBrightenDither, BitIdenticalToTheFormulaOnRandomPixelsForEveryBrightnessAndDither) {
  std::mt19937 random(7);
  const UINT width = 37, height = 23;
  const std::size_t stride = 4 * width + 12;  // rows with padding that must stay untouched
  std::vector<BYTE> source(stride * height);
  for (auto& b : source) b = static_cast<BYTE>(random());
  // Some fully opaque and fully transparent pixels and some runs of equal alpha.
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; x += 3) source[y * stride + 4 * x + 3] = (x % 2) ? 0 : 255;
  }
  for (const char* bright : kBrightnessOptions) {
    for (const char* dither : {"", "2x2", "4x4", "FloydSteinberg", "4X4"}) {
      std::vector<BYTE> expected = source;
      ReferencePasses(expected, width, height, stride, bright, dither);
      std::vector<BYTE> actual = source;
      CompositeTable table;
      table.Select(BrightnessFor(bright));
      CompositeBrightenDither(actual.data(), width, height, stride, table, OrderedDitherFor(dither));
      ASSERT_EQ(expected, actual) << bright << " " << dither;
    }
  }
}

std::vector<BYTE> Area(UINT width, UINT height, BYTE grey) {
  std::vector<BYTE> px(std::size_t(width) * height * 4, grey);
  for (std::size_t i = 3; i < px.size(); i += 4) px[i] = 255;
  return px;
}

bool White(const std::vector<BYTE>& px, UINT width, UINT x, UINT y) {
  const BYTE* p = &px[(std::size_t(y) * width + x) * 4];
  EXPECT_EQ(p[0], p[1]);
  EXPECT_EQ(p[0], p[2]);
  EXPECT_EQ(255, p[3]);
  EXPECT_TRUE(p[0] == 0 || p[0] == 255);
  return p[0] == 255;
}

TEST(OrderedDither, TwoByTwoLeavesOnePixelInFourWhiteOnBlack) {
  auto px = Area(8, 8, 0);
  CompositeTable table;
  table.Select(BrightnessFor(""));
  CompositeBrightenDither(px.data(), 8, 8, 32, table, OrderedDither::Matrix2x2);
  for (UINT y = 0; y < 8; ++y) {
    for (UINT x = 0; x < 8; ++x) EXPECT_EQ(x % 2 == 0 && y % 2 == 0, White(px, 8, x, y)) << x << "," << y;
  }
}

TEST(OrderedDither, TwoByTwoLevelOneWhitensTheThresholdsZeroAndOne) {
  auto px = Area(4, 4, 100);  // luminance 100: level 1
  CompositeTable table;
  table.Select(BrightnessFor("normal"));
  CompositeBrightenDither(px.data(), 4, 4, 16, table, OrderedDither::Matrix2x2);
  for (UINT y = 0; y < 4; ++y) {
    for (UINT x = 0; x < 4; ++x) EXPECT_EQ(x % 2 == y % 2, White(px, 4, x, y)) << x << "," << y;
  }
}

TEST(OrderedDither, FourByFourLeavesOnePixelInSixteenWhiteOnBlack) {
  auto px = Area(12, 8, 0);
  CompositeTable table;
  table.Select(BrightnessFor("normal"));
  CompositeBrightenDither(px.data(), 12, 8, 48, table, OrderedDither::Matrix4x4);
  for (UINT y = 0; y < 8; ++y) {
    for (UINT x = 0; x < 12; ++x) EXPECT_EQ(x % 4 == 0 && y % 4 == 0, White(px, 12, x, y)) << x << "," << y;
  }
}

TEST(OrderedDither, LightAreasBecomeAllWhite) {
  for (auto dither : {OrderedDither::Matrix2x2, OrderedDither::Matrix4x4}) {
    auto px = Area(8, 8, dither == OrderedDither::Matrix2x2 ? 200 : 250);
    CompositeTable table;
    table.Select(BrightnessFor("normal"));
    CompositeBrightenDither(px.data(), 8, 8, 32, table, dither);
    for (UINT y = 0; y < 8; ++y) {
      for (UINT x = 0; x < 8; ++x) EXPECT_TRUE(White(px, 8, x, y));
    }
  }
}

TEST(OrderedDither, OnlyTheExactNamesSelectAMatrix) {
  EXPECT_EQ(OrderedDither::Matrix2x2, OrderedDitherFor("2x2"));
  EXPECT_EQ(OrderedDither::Matrix4x4, OrderedDitherFor("4x4"));
  for (const char* other : {"", "4X4", "2x2 ", "FloydSteinberg", "8x8"}) {
    EXPECT_EQ(OrderedDither::None, OrderedDitherFor(other)) << other;
  }
}

}  // namespace
}  // namespace brimloft
