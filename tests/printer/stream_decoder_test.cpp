#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "support/stream_decoder.h"

namespace brimloft::host {
namespace {

using Bytes = std::vector<std::uint8_t>;

DecodedStream Decode(const Bytes& bytes) { return DecodeStream(bytes.data(), bytes.size()); }

std::size_t ErrorOffset(const Bytes& bytes, std::string* message) {
  try {
    Decode(bytes);
  } catch (const StreamError& e) {
    *message = e.what();
    return e.offset();
  }
  ADD_FAILURE() << "no error";
  return SIZE_MAX;
}

const Bytes kBandPrologue = {0x1B, 0x7A, 0x31, 0x1B, 0x50, 0x0D, 0x1B, 0x41, 0x08};
const Bytes kRasterPrologue = {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x02};

Bytes Join(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

TEST(StreamDecoder, SumsUpAWholeBandSegment) {
  const Bytes segment = Join({kBandPrologue, {0x1B, 0x2A, 0x21, 0x03, 0x00, 0x80, 0, 0, 0x80, 0, 0, 0x80, 0, 0x01},
                              {0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30, 0x1B, 0x77}});
  const auto decoded = Decode(segment);
  const StreamSummary& s = decoded.summary;
  EXPECT_EQ(31u, s.totalBytes);
  EXPECT_EQ(1u, s.segments);
  EXPECT_EQ(1u, s.bandPrologues);
  EXPECT_EQ(0u, s.rasterPrologues);
  EXPECT_EQ(1u, s.bands);
  EXPECT_EQ(3u, s.bandColumns);
  EXPECT_EQ(1u, s.bandEnds);
  EXPECT_EQ(0u, s.loneBandEnds);
  EXPECT_EQ(1u, s.fullCuts);
  EXPECT_EQ(0u, s.partialCuts);
  EXPECT_EQ(9u, s.imageBytes);
  EXPECT_EQ(22u, s.commandBytes);
  EXPECT_EQ(4u, s.dots);
  EXPECT_EQ(3u, decoded.paper.width);
  EXPECT_EQ(24u, decoded.paper.height);
  EXPECT_TRUE(decoded.paper.Dot(0, 0));
  EXPECT_TRUE(decoded.paper.Dot(2, 0));
  EXPECT_TRUE(decoded.paper.Dot(2, 23));
  EXPECT_FALSE(decoded.paper.Dot(1, 23));
  ASSERT_EQ(1u, decoded.paper.cuts.size());
  EXPECT_EQ(24u, decoded.paper.cuts[0].row);
  EXPECT_EQ(CutKind::Full, decoded.paper.cuts[0].kind);
}

TEST(StreamDecoder, RasterBlocksPrintRowsOf576DotsAndFeedByThem) {
  Bytes block = {0x1B, 0x2A, 0x62, 0x02, 0x00};
  Bytes rows(144, 0);
  rows[0] = 0x80;         // row 0, dot 0
  rows[72 + 71] = 0x01;   // row 1, dot 575
  const auto decoded = Decode(Join({kRasterPrologue, block, rows, {0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30, 0x1B, 0x6D}}));
  EXPECT_EQ(1u, decoded.summary.rasterPrologues);
  EXPECT_EQ(1u, decoded.summary.rasterBlocks);
  EXPECT_EQ(2u, decoded.summary.rasterRows);
  EXPECT_EQ(1u, decoded.summary.loneBandEnds);
  EXPECT_EQ(1u, decoded.summary.partialCuts);
  EXPECT_EQ(576u, decoded.paper.width);
  EXPECT_EQ(2u + 24u, decoded.paper.height);
  EXPECT_TRUE(decoded.paper.Dot(0, 0));
  EXPECT_TRUE(decoded.paper.Dot(575, 1));
  EXPECT_EQ(2u, decoded.summary.dots);
  EXPECT_EQ(CutKind::Partial, decoded.paper.cuts.at(0).kind);
}

TEST(StreamDecoder, AnEmptyStreamIsEmptyPaper) {
  const auto decoded = Decode({});
  EXPECT_EQ(0u, decoded.summary.totalBytes);
  EXPECT_EQ(0u, decoded.paper.height);
}

TEST(StreamDecoder, UnknownAndTruncatedCommandsNameTheirOffset) {
  struct Case {
    Bytes bytes;
    std::size_t offset;
    const char* text;
  };
  const Case cases[] = {
      {{0x1B, 0x7A, 0x30, 0x42}, 3, "unknown command byte 42"},
      {{0x1B, 0x41, 0x09}, 0, "unknown command byte 1B"},
      {Join({kBandPrologue, {0x1B, 0x2A, 0x21, 0x02, 0x00, 1, 2, 3, 4, 5}}), 9,
       "truncated band image command: it announces 6 data bytes but only 5 follow"},
      {{0x1B, 0x2A, 0x21, 0x02}, 0, "truncated band image command: its count is missing"},
      {{0x1B, 0x2A, 0x62, 0x01, 0x00, 0x00}, 0, "truncated raster block command: it announces 72 data bytes"},
      {{0x1B, 0x7A, 0x31, 0x1B, 0x50}, 0, "incomplete band-mode prologue"},
      {{0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40, 0x03}, 0, "incomplete raster-mode prologue"},
      {{0x1B}, 0, "unknown command byte 1B"},
  };
  for (const Case& c : cases) {
    std::string message;
    EXPECT_EQ(c.offset, ErrorOffset(c.bytes, &message)) << message;
    EXPECT_NE(std::string::npos, message.find(c.text)) << message;
    EXPECT_NE(std::string::npos, message.find("offset " + std::to_string(c.offset))) << message;
  }
}

TEST(StreamDecoder, ABandAnnouncingOneColumnTooFewLeavesBytesThatAreNoCommands) {
  // Three columns of data but a count of two: the third column's bytes are read as commands.
  const Bytes bytes = {0x1B, 0x2A, 0x21, 0x02, 0x00, 0x80, 0, 0, 0x80, 0, 0, 0x80, 0, 0, 0x1B, 0x41, 0x08};
  std::string message;
  EXPECT_EQ(11u, ErrorOffset(bytes, &message));
}

TEST(StreamDecoder, SummaryTextNamesEveryTotal) {
  const auto decoded = Decode(Join({kBandPrologue, {0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30}}));
  const std::string text = FormatSummary(decoded.summary);
  for (const char* line : {"bytes: 15", "segments: 1", "prologues: 1 (band mode 1, raster mode 0)", "bands: 0",
                           "band ends: 1 (lone 1)", "raster blocks: 0", "cuts: 0", "dots: 0"}) {
    EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
  }
}

TEST(StreamDecoder, DrawsThePaperAsAPngWithDotsAndCuts) {
  const auto decoded = Decode(Join({kBandPrologue, {0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00},
                                    {0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30, 0x1B, 0x77}}));
  const std::string path = ::testing::TempDir() + "/brimloft_decoder_paper.png";
  WritePaperPng(decoded.paper, path);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
  EXPECT_EQ(1u, image.width);
  EXPECT_EQ(24u, image.height);
  EXPECT_EQ((Bytes{0, 0, 0}), Bytes(pixels.begin(), pixels.begin() + 3));        // the dot
  EXPECT_EQ((Bytes{255, 255, 255}), Bytes(pixels.begin() + 3, pixels.begin() + 6));  // paper
  // The cut comes after the band end: drawn on the last row, in red.
  const std::size_t last = 23 * 3;
  EXPECT_GT(pixels[last], 0x80);
  EXPECT_LT(pixels[last + 1], 0x80);
  std::filesystem::remove(path);
}

TEST(StreamDecoder, UnwritablePngPathIsAClearError) {
  Paper paper;
  EXPECT_THROW(WritePaperPng(paper, "/nonexistent-folder/paper.png"), std::runtime_error);
}

}  // namespace
}  // namespace brimloft::host
