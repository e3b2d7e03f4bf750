#include <gtest/gtest.h>

#include <tuple>

#include "host/decoder/stream_decoder.h"
#include "printer_test_support.h"

namespace brimloft {
namespace {

using fakes::FakeStream;
using testing::Bytes;
using testing::Concat;
using testing::MakeImage;
using testing::PortraitTicket;

using testing::kBandEnd;
using testing::kBandPrologue;
using testing::kClosing;
using testing::kFullCut;
using testing::kPartialCut;
using testing::kRasterPrologue;

class CommandStream : public testing::PrinterFixture {
 protected:
  // A handler whose options come from a portrait ticket with the given private options.
  std::unique_ptr<BrimloftBitmapHandler> With(std::vector<std::pair<std::string, std::string>> options,
                                              const std::string& variant = "RX2P") {
    auto handler = Handler(variant);
    snapshot.Write(PortraitTicket(std::move(options)));
    handler->ReadTicketOptions();
    return handler;
  }

  static Bytes Commands(BrimloftBitmapHandler& handler, const OneBitImage& image) {
    return handler.WriteImageCommands(image.bits.data(), image.bits.size(), image.width, image.height);
  }
};

Bytes Band(UINT columns, const Bytes& data) {
  Bytes band = {0x1B, 0x2A, 0x21, BYTE(columns & 0xFF), BYTE(columns >> 8)};
  band.insert(band.end(), data.begin(), data.end());
  band.insert(band.end(), kBandEnd.begin(), kBandEnd.end());
  return band;
}

// One band of dots in rows 0 to 23 of columns [from, to).
OneBitImage Columns(UINT width, UINT height, UINT from, UINT to) {
  return MakeImage(width, height, [=](UINT x, UINT y) { return x >= from && x < to && y < 24; });
}

TEST_F(CommandStream, ABandWithDotsOnlyInColumnZeroSendsThatColumn) {
  auto handler = With({});
  const Bytes commands = Commands(*handler, Columns(576, 24, 0, 1));
  EXPECT_EQ(Band(1, {0xFF, 0xFF, 0xFF}), commands);
  EXPECT_EQ(11u, commands.size());
}

TEST_F(CommandStream, ABandWithDotsInColumnsZeroToNinetyNineSendsAllHundred) {
  auto handler = With({});
  const Bytes commands = Commands(*handler, Columns(576, 24, 0, 100));
  EXPECT_EQ(Band(100, Bytes(300, 0xFF)), commands);
  EXPECT_EQ(308u, commands.size());
}

TEST_F(CommandStream, ADotInTheLastColumnAnnouncesTheWholeWidth) {
  auto handler = With({});
  const OneBitImage image = MakeImage(576, 24, [](UINT x, UINT y) { return x == 575 && y == 23; });
  const Bytes commands = Commands(*handler, image);
  ASSERT_EQ(3u * 576 + 8, commands.size());
  EXPECT_EQ((Bytes{0x1B, 0x2A, 0x21, 0x40, 0x02}), Bytes(commands.begin(), commands.begin() + 5));
  EXPECT_EQ((Bytes{0x00, 0x00, 0x01}), Bytes(commands.end() - 6, commands.end() - 3));
}

TEST_F(CommandStream, AWhiteStripGivesLoneBandEndsPageByPageAndNothingInContinuousPrinting) {
  const OneBitImage white = MakeImage(576, 48, [](UINT, UINT) { return false; });
  EXPECT_EQ(Concat({kBandEnd, kBandEnd}), Commands(*With({}), white));
  EXPECT_EQ(Bytes{}, Commands(*With({{"QVPrintContinuous", "S"}}), white));
}

TEST_F(CommandStream, ContinuousPrintingDropsBlankBandsAtTheEdgesAndKeepsThoseBetween) {
  // Bands: blank, blank, dots, blank, dots, blank.
  const OneBitImage image = MakeImage(16, 144, [](UINT x, UINT y) { return x == 0 && (y / 24 == 2 || y / 24 == 4); });
  const Bytes full = {0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Concat({Band(1, full), kBandEnd, Band(1, full)}), Commands(*With({{"QVPrintContinuous", "S"}}), image));
  EXPECT_EQ(Concat({kBandEnd, kBandEnd, Band(1, full), kBandEnd, Band(1, full), kBandEnd}),
            Commands(*With({{"QVPrintContinuous", "s"}}), image));
}

TEST_F(CommandStream, ContinuousTrimmingWorksStripByStrip) {
  auto handler = With({{"QVPrintContinuous", "S"}});
  // The bottom of one strip and the top of the next are blank: none of it is sent.
  const OneBitImage first = MakeImage(8, 72, [](UINT x, UINT y) { return x == 1 && y < 24; });
  const OneBitImage second = MakeImage(8, 72, [](UINT x, UINT y) { return x == 1 && y >= 48; });
  const Bytes column = {0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF};
  EXPECT_EQ(Band(2, column), Commands(*handler, first));
  EXPECT_EQ(Band(2, column), Commands(*handler, second));
}

TEST_F(CommandStream, AColumnsTopAndBottomRows) {
  auto handler = With({});
  const OneBitImage image = MakeImage(8, 24, [](UINT x, UINT y) { return (x == 0 && y == 0) || (x == 1 && y == 23); });
  EXPECT_EQ(Band(2, {0x80, 0x00, 0x00, 0x00, 0x00, 0x01}), Commands(*handler, image));
}

TEST_F(CommandStream, AnImageOfThirtyRowsMakesTwoBands) {
  auto handler = With({});
  const OneBitImage image = MakeImage(8, 30, [](UINT x, UINT y) { return x == 0 && (y == 0 || y == 29); });
  EXPECT_EQ(Concat({Band(1, {0x80, 0x00, 0x00}), Band(1, {0x04, 0x00, 0x00})}), Commands(*handler, image));
}

TEST_F(CommandStream, RasterModeSendsComplementedBlocksOf18432BytesThenABandEnd) {
  auto handler = With({{"QVPrintType", "Horizontal"}});
  OneBitImage image = MakeImage(576, 300, [](UINT x, UINT y) { return (x * 7 + y * 3) % 5 == 0; });
  image.bits[0] = 0xFF;
  const Bytes commands = Commands(*handler, image);
  ASSERT_EQ(21613u, commands.size());
  Bytes expected = {0x1B, 0x2A, 0x62, 0x00, 0x01};
  for (std::size_t i = 0; i < 18432; ++i) expected.push_back(BYTE(~image.bits[i]));
  expected.insert(expected.end(), {0x1B, 0x2A, 0x62, 0x2C, 0x00});
  for (std::size_t i = 18432; i < 21600; ++i) expected.push_back(BYTE(~image.bits[i]));
  expected.insert(expected.end(), kBandEnd.begin(), kBandEnd.end());
  EXPECT_EQ(expected, commands);
  EXPECT_EQ(0x00, commands[5]);  // eight white pixels
}

TEST_F(CommandStream, RasterBlocksHoldWholeRowsOfTheHeadsWidth) {
  struct Case {
    const char* variant;
    UINT width, height;
    std::vector<std::size_t> blockRows;  // the count n of each block: rows of RowBytes(width) bytes
  };
  const Case cases[] = {
      {"RX3P", 832, 10, {10}},
      {"RX3P", 832, 200, {177, 23}},  // 177 rows of 104 bytes: 18,408, the most under 18,432
      {"RX1P", 432, 400, {341, 59}},  // 341 rows of 54 bytes: 18,414
      {"RX1P", 432, 1, {1}},
      {"RX2P", 576, 257, {256, 1}},
  };
  for (const Case& c : cases) {
    auto handler = With({{"QVPrintType", "Horizontal"}}, c.variant);
    const OneBitImage image = MakeImage(c.width, c.height, [](UINT x, UINT y) { return (x + y) % 3 == 0; });
    const Bytes commands = Commands(*handler, image);
    const std::size_t rowBytes = c.width / 8;
    Bytes expected;
    std::size_t at = 0;
    for (std::size_t rows : c.blockRows) {
      expected.insert(expected.end(), {0x1B, 0x2A, 0x62, BYTE(rows & 0xFF), BYTE(rows >> 8)});
      for (std::size_t i = 0; i < rows * rowBytes; ++i) expected.push_back(BYTE(~image.bits[at + i]));
      at += rows * rowBytes;
    }
    expected.insert(expected.end(), kBandEnd.begin(), kBandEnd.end());
    EXPECT_EQ(expected, commands) << c.variant << " " << c.height;
  }
}

TEST_F(CommandStream, WithoutAnImageBandModeWritesNothingAndRasterModeOnlyTheBandEnd) {
  EXPECT_EQ(Bytes{}, With({})->WriteImageCommands(nullptr, 0, 0, 0));
  EXPECT_EQ(kBandEnd, With({{"QVPrintType", "Horizontal"}})->WriteImageCommands(nullptr, 0, 0, 0));
  EXPECT_EQ(Bytes{}, With({{"QVPrintContinuous", "S"}})->WriteImageCommands(nullptr, 0, 0, 0));
}

TEST_F(CommandStream, AnImageWhoseLengthDisagreesWithItsSizeIsRejected) {
  auto handler = With({});
  const Bytes bits(72 * 2, 0xFF);
  for (auto call : {std::make_tuple(bits.data(), std::size_t(72 * 2), 576u, 3u),
                    std::make_tuple(bits.data(), std::size_t(100), 576u, 2u),
                    std::make_tuple(static_cast<const BYTE*>(nullptr), std::size_t(144), 576u, 2u)}) {
    try {
      handler->WriteImageCommands(std::get<0>(call), std::get<1>(call), std::get<2>(call), std::get<3>(call));
      ADD_FAILURE() << "no exception";
    } catch (const hr_error& e) {
      EXPECT_EQ(E_INVALIDARG, e.hr);
    }
  }
}

TEST_F(CommandStream, PrologueByPrintTypeDeclaresTheHeadsRowWidth) {
  const Bytes raster = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57};
  const struct {
    const char* type;
    const char* variant;
    Bytes prologue;
  } cases[] = {
      {"Horizontal", "RX2P", kRasterPrologue},  // 576 = 02 40
      {"Horizontal", "RX1Q", Concat({raster, {0xB0, 0x01}})},  // 432
      {"Horizontal", "RX3P", Concat({raster, {0x40, 0x03}})},  // 832
      {"horizontal", "RX3P", kBandPrologue},
      {"Vertical", "RX2P", kBandPrologue},
      {"", "RX1P", kBandPrologue},
  };
  for (const auto& c : cases) {
    auto handler = With({{"QVPrintType", c.type}}, c.variant);
    auto stream = ComPtr<FakeStream>::Attach(new FakeStream);
    EXPECT_EQ(c.prologue.size(), handler->WritePrologue(stream.get())) << c.type << " " << c.variant;
    EXPECT_EQ(c.prologue, stream->bytes) << c.type << " " << c.variant;
    EXPECT_EQ(int(c.prologue.size()), stream->writes) << "one write per byte";
  }
}

TEST_F(CommandStream, TrailerByContinuityCutTypeAndPageIndex) {
  struct Case {
    const char* continuous;
    const char* cut;
    INT page;
    Bytes expected;
  };
  const Case cases[] = {
      {"", "", 1, Concat({kClosing, kFullCut})},
      {"", "P", 2, Concat({kClosing, kPartialCut})},
      {"", "S", 1, kClosing},
      {"", "p", 1, Concat({kClosing, kFullCut})},
      {"", "", 0, kClosing},
      {"", "P", 0, kClosing},
      {"S", "", 1, kClosing},
      {"S", "P", 3, kClosing},
      {"S", "", 0, Concat({kBandEnd, kBandEnd, kBandEnd, kClosing, kFullCut})},
      {"S", "P", 0, Concat({kBandEnd, kBandEnd, kBandEnd, kClosing, kPartialCut})},
      {"S", "S", 0, Concat({kBandEnd, kBandEnd, kBandEnd, kClosing})},
      {"N", "P", 0, kClosing},
  };
  for (const Case& c : cases) {
    auto handler = With({{"QVPrintContinuous", c.continuous}, {"QVCutType", c.cut}});
    auto stream = ComPtr<FakeStream>::Attach(new FakeStream);
    EXPECT_EQ(c.expected.size(), handler->WriteTrailer(c.page, stream.get())) << c.continuous << c.cut << c.page;
    EXPECT_EQ(c.expected, stream->bytes) << c.continuous << c.cut << c.page;
  }
}

TEST_F(CommandStream, AFailingByteWriteThrowsItsResult) {
  auto handler = With({});
  auto stream = ComPtr<FakeStream>::Attach(new FakeStream);
  stream->failAfter = 4;
  try {
    handler->WritePrologue(stream.get());
    FAIL() << "no exception";
  } catch (const hr_error& e) {
    EXPECT_EQ(STG_E_MEDIUMFULL, e.hr);
  }
  ULONG count = 7;
  stream->failAfter = 0;
  EXPECT_THROW(WriteByte(stream.get(), 0x1B, count), hr_error);
  EXPECT_EQ(7u, count);
}

}  // namespace
}  // namespace brimloft
