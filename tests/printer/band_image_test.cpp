#include <gtest/gtest.h>

#include <random>

#include "printer/BandImage.h"
#include "printer/BrimloftBitmapHandler.h"
#include "printer_test_support.h"

namespace brimloft {
namespace {

using testing::Bytes;
using testing::MakeImage;

// A band's columns worked out bit by bit as they are defined.
Bytes ReferenceBand(const OneBitImage& image, UINT band, UINT* used) {
  Bytes columns(3 * image.width, 0);
  *used = 0;
  for (UINT x = 0; x < image.width; ++x) {
    std::uint32_t value = 0;
    for (UINT r = 0; r < 24; ++r) {
      const UINT y = band * 24 + r;
      if (y < image.height && testing::IsDot(image, x, y)) value |= 1u << (23 - r);
    }
    columns[3 * x] = BYTE(value >> 16);
    columns[3 * x + 1] = BYTE(value >> 8);
    columns[3 * x + 2] = BYTE(value);
    if (value != 0) *used = x + 1;
  }
  return columns;
}

TEST(ExtractBand, MatchesTheBitByBitDefinitionOnRandomImages) {
  std::mt19937 random(11);
  for (UINT width : {576u, 832u, 432u, 13u, 8u, 1u}) {
    for (UINT height : {1u, 23u, 24u, 30u, 49u}) {
      for (int density : {2, 50}) {
        const OneBitImage image =
            MakeImage(width, height, [&](UINT, UINT) { return int(random() % 100) < density; });
        for (UINT band = 0; band < BandCount(height); ++band) {
          UINT expectedUsed = 0;
          const Bytes expected = ReferenceBand(image, band, &expectedUsed);
          Bytes columns(3 * width, 0xEE);
          const UINT used = ExtractBand(image.bits.data(), (width + 7) / 8, width, height, band, columns.data());
          ASSERT_EQ(expected, columns) << width << "x" << height << " band " << band;
          ASSERT_EQ(expectedUsed, used) << width << "x" << height << " band " << band;
        }
      }
    }
  }
}

TEST(ExtractBand, TopRowIsTheTopBitOfTheFirstByteAndTheBottomRowTheLowBitOfTheLast) {
  const OneBitImage image = MakeImage(16, 24, [](UINT x, UINT y) { return (x == 0 && y == 0) || (x == 1 && y == 23); });
  Bytes columns(48);
  EXPECT_EQ(2u, ExtractBand(image.bits.data(), 2, 16, 24, 0, columns.data()));
  EXPECT_EQ((Bytes{0x80, 0x00, 0x00, 0x00, 0x00, 0x01}), Bytes(columns.begin(), columns.begin() + 6));
}

TEST(ExtractBand, RowsPastTheImageAreWhite) {
  // Height 30: the second band holds rows 24 to 29 and nothing below them.
  const OneBitImage image = MakeImage(8, 30, [](UINT x, UINT y) { return x == 3 && y >= 24; });
  Bytes columns(24);
  EXPECT_EQ(2u, BandCount(30));
  EXPECT_EQ(0u, ExtractBand(image.bits.data(), 1, 8, 30, 0, columns.data()));
  EXPECT_EQ(4u, ExtractBand(image.bits.data(), 1, 8, 30, 1, columns.data()));
  EXPECT_EQ((Bytes{0xFC, 0x00, 0x00}), Bytes(columns.begin() + 9, columns.begin() + 12));
}

TEST(ExtractBand, SpareBitsPastTheWidthAreNoColumns) {
  // Width 5: the low three bits of each row byte are outside the image, even when they read black.
  Bytes bits(24, 0xF8);
  Bytes columns(15, 0xEE);
  EXPECT_EQ(0u, ExtractBand(bits.data(), 1, 5, 24, 0, columns.data()));
  EXPECT_EQ(Bytes(15, 0), columns);
}

TEST(BandCount, OnePerTwentyFourRowsStarted) {
  EXPECT_EQ(0u, BandCount(0));
  EXPECT_EQ(1u, BandCount(1));
  EXPECT_EQ(1u, BandCount(24));
  EXPECT_EQ(2u, BandCount(25));
  EXPECT_EQ(246u, BandCount(5897));
}

TEST(WriteBandCommand, SendsEveryUsedColumnThenTheBandEnd) {
  Bytes columns(3 * 576);
  for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = BYTE(i * 7 + 1);

  Bytes out = {0xAA};
  EXPECT_EQ(3u, WriteBandCommand(out, columns.data(), 0));
  EXPECT_EQ((Bytes{0xAA, 0x1B, 0x41, 0x08}), out);

  out.clear();
  EXPECT_EQ(11u, WriteBandCommand(out, columns.data(), 1));
  EXPECT_EQ((Bytes{0x1B, 0x2A, 0x21, 0x01, 0x00, columns[0], columns[1], columns[2], 0x1B, 0x41, 0x08}), out);

  out.clear();
  EXPECT_EQ(3u * 576 + 8, WriteBandCommand(out, columns.data(), 576));
  ASSERT_EQ(3u * 576 + 8, out.size());
  EXPECT_EQ((Bytes{0x1B, 0x2A, 0x21, 0x40, 0x02}), Bytes(out.begin(), out.begin() + 5));
  EXPECT_EQ(columns, Bytes(out.begin() + 5, out.end() - 3));
  EXPECT_EQ((Bytes{0x1B, 0x41, 0x08}), Bytes(out.end() - 3, out.end()));
}

TEST(HeadWidth, ByWholeVariantCode) {
  const std::pair<const char*, UINT> cases[] = {{"RX1P", 432}, {"RX1Q", 432}, {"RX2P", 576}, {"RX2Q", 576},
                                                {"RX3P", 832}, {"RX3Q", 832}, {"rx3p", 432}, {"RX3", 432},
                                                {"RX3PP", 432}, {"", 432},    {"XXXX", 432}};
  for (const auto& c : cases) EXPECT_EQ(c.second, HeadWidth(c.first)) << c.first;
}

}  // namespace
}  // namespace brimloft
