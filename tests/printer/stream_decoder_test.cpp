#include <gtest/gtest.h>

#include <png.h>

#include <cstdio>
#include <cstring>
#include <filesystem>

#include "host/decoder/paper_png.h"
#include "host/decoder/stream_decoder.h"

namespace brimloft::host {
namespace {

using Bytes = std::vector<std::uint8_t>;

DecodedStream Decode(const Bytes& bytes, std::size_t headWidth = 0) {
  return DecodeStream(bytes.data(), bytes.size(), headWidth);
}

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
const Bytes kBandEnd = {0x1B, 0x41, 0x08};
const Bytes kClosingAndCut = {0x1B, 0x7A, 0x30, 0x1B, 0x77};

Bytes RasterPrologue(std::size_t width) {
  return {0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, std::uint8_t(width & 0xFF), std::uint8_t(width >> 8)};
}

Bytes Command(std::initializer_list<std::uint8_t> code, std::size_t count) {
  Bytes bytes(code);
  bytes.push_back(std::uint8_t(count & 0xFF));
  bytes.push_back(std::uint8_t(count >> 8));
  return bytes;
}

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
  EXPECT_EQ(432u, decoded.paper.width) << "the narrowest head that holds the dots";
  EXPECT_EQ(3u, decoded.paper.inkWidth);
  EXPECT_EQ(24u, decoded.paper.height);
  EXPECT_TRUE(decoded.paper.Dot(0, 0));
  EXPECT_TRUE(decoded.paper.Dot(2, 0));
  EXPECT_TRUE(decoded.paper.Dot(2, 23));
  EXPECT_FALSE(decoded.paper.Dot(1, 23));
  ASSERT_EQ(1u, decoded.paper.cuts.size());
  EXPECT_EQ(24u, decoded.paper.cuts[0].row);
  EXPECT_EQ(CutKind::Full, decoded.paper.cuts[0].kind);
}

// One picture on each head, sent as raster rows and as bands: the same dots in the same places.
// The raster paper is longer only by its feeds: rows one by one and a band end after the blocks.
TEST(StreamDecoder, RasterRowsAreAsWideAsTheirPrologueSaysAndShowWhatBandsShow) {
  constexpr std::size_t kRows = 30;
  for (const std::size_t width : {432u, 576u, 832u}) {
    auto dot = [width](std::size_t x, std::size_t y) {
      return (x == 0 && y == 0) || (x == width - 1 && y == 1) || x == (7 * y + 5) % width || (y == 29 && x > width - 9);
    };
    const std::size_t rowBytes = width / 8;
    Bytes rows(kRows * rowBytes, 0);
    Bytes bands;
    for (std::size_t top = 0; top < kRows; top += 24) {
      Bytes band = Command({0x1B, 0x2A, 0x21}, width);
      for (std::size_t x = 0; x < width; ++x) {
        for (std::size_t g = 0; g < 3; ++g) {
          std::uint8_t bits = 0;
          for (std::size_t j = 0; j < 8; ++j) {
            const std::size_t y = top + 8 * g + j;
            if (y < kRows && dot(x, y)) bits |= std::uint8_t(0x80u >> j);
          }
          band.push_back(bits);
        }
      }
      bands = Join({bands, band, kBandEnd});
    }
    for (std::size_t y = 0; y < kRows; ++y) {
      for (std::size_t x = 0; x < width; ++x) {
        if (dot(x, y)) rows[y * rowBytes + x / 8] |= std::uint8_t(0x80u >> (x % 8));
      }
    }
    // Two blocks, the second of the rows left over.
    const std::size_t split = 17;
    const Bytes blocks = Join({Command({0x1B, 0x2A, 0x62}, split), Bytes(rows.begin(), rows.begin() + split * rowBytes),
                               Command({0x1B, 0x2A, 0x62}, kRows - split),
                               Bytes(rows.begin() + split * rowBytes, rows.end()), kBandEnd, kClosingAndCut});
    const auto raster = Decode(Join({RasterPrologue(width), blocks}));
    const auto prologueLess = Decode(blocks, width);
    const auto band = Decode(Join({kBandPrologue, bands, kClosingAndCut}), width);

    EXPECT_EQ(width, raster.summary.rasterWidth);
    EXPECT_EQ(kRows, raster.summary.rasterRows);
    for (const auto* decoded : {&raster, &prologueLess, &band}) {
      EXPECT_EQ(width, decoded->paper.width) << width;
      EXPECT_EQ(width, decoded->paper.inkWidth) << width;
      ASSERT_EQ(1u, decoded->paper.cuts.size());
      EXPECT_EQ(decoded->paper.height, decoded->paper.cuts[0].row);
      EXPECT_EQ(decoded->summary.fedRows, decoded->paper.height);
    }
    EXPECT_EQ(kRows + 24, raster.paper.height) << width;
    EXPECT_EQ(48u, band.paper.height) << width;
    EXPECT_EQ(band.summary.dots, raster.summary.dots) << width;
    for (std::size_t y = 0; y < 48; ++y) {
      for (std::size_t x = 0; x < width; ++x) {
        const bool expected = y < kRows && dot(x, y);
        ASSERT_EQ(expected, raster.paper.Dot(x, y)) << width << " raster " << x << "," << y;
        ASSERT_EQ(expected, prologueLess.paper.Dot(x, y)) << width << " given width " << x << "," << y;
        ASSERT_EQ(expected, band.paper.Dot(x, y)) << width << " band " << x << "," << y;
      }
    }
  }
}

// 200,000 band ends feed 4.8 million rows; the paper keeps the two bands printed, not the rows fed.
TEST(StreamDecoder, FeedsCostTheirLengthOnly) {
  constexpr std::size_t kFeeds = 200000;
  Bytes wide = Command({0x1B, 0x2A, 0x21}, 576);
  wide.resize(wide.size() + 3 * 576, 0);
  wide[5] = 0x80;                // column 0, top row
  wide[5 + 3 * 575 + 2] = 0x01;  // column 575, bottom row
  Bytes stream = Join({kBandPrologue, wide, kBandEnd});
  for (std::size_t i = 0; i < kFeeds; ++i) stream.insert(stream.end(), kBandEnd.begin(), kBandEnd.end());
  stream = Join({stream, {0x1B, 0x2A, 0x21, 0x01, 0x00, 0x00, 0x80, 0x00}, kBandEnd, kClosingAndCut});
  ASSERT_GT(stream.size(), 600000u);

  const auto decoded = Decode(stream);
  const std::size_t last = 24 * (kFeeds + 1);
  EXPECT_EQ(last + 24, decoded.paper.height);
  EXPECT_EQ(kFeeds + 2, decoded.summary.bandEnds);
  EXPECT_TRUE(decoded.paper.Dot(0, 0));
  EXPECT_TRUE(decoded.paper.Dot(575, 23));
  EXPECT_TRUE(decoded.paper.Dot(0, last + 8));
  EXPECT_FALSE(decoded.paper.Dot(0, last + 7));
  EXPECT_FALSE(decoded.paper.Dot(0, last / 2));
  EXPECT_EQ(3u, decoded.summary.dots);
  EXPECT_LT(decoded.paper.StoredBytes(), 4096u) << "two bands: 72 bytes by 24 rows and 1 byte by 24 rows";
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
      {Join({RasterPrologue(832), {0x1B, 0x2A, 0x62, 0x01, 0x00, 0x00}}), 8,
       "truncated raster block command: it announces 104 data bytes but only 1 follow"},
      {Join({RasterPrologue(832), Command({0x1B, 0x2A, 0x62}, 178)}), 8,
       "raster block of 178 rows of 832 dots holds 18512 bytes, more than the 18432 a block may hold"},
      {Join({kBandPrologue, {0x1B, 0x2A, 0x62, 0x01, 0x00}, Bytes(72, 0)}), 9,
       "raster block before any raster-mode prologue: the width of its rows is unknown"},
      {RasterPrologue(256), 0, "raster-mode prologue declares rows of 256 dots; the heads print 432, 576 or 832"},
      {{0x1B, 0x7A, 0x31, 0x1B, 0x50}, 0, "incomplete band-mode prologue"},
      {{0x1D, 0x4C, 0x00, 0x00, 0x1D, 0x57, 0x40}, 0, "incomplete raster-mode prologue"},
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
  const std::string text = FormatSummary(decoded);
  for (const char* line : {"bytes: 15", "segments: 1", "prologues: 1 (band mode 1, raster mode 0)", "bands: 0",
                           "band ends: 1 (lone 1)", "raster blocks: 0", "cuts: 0", "dots: 0",
                           "feeds: 24 rows (24 a band end, 1 a raster row;",
                           "paper: 432 x 24 dots (width: the widest printed column, rounded up to a head width)"}) {
    EXPECT_NE(std::string::npos, text.find(line)) << line << "\n" << text;
  }
}

TEST(StreamDecoder, DrawsThePaperAsWideAsTheHeadWithDotsAndCuts) {
  const auto decoded = Decode(Join({kBandPrologue, {0x1B, 0x2A, 0x21, 0x01, 0x00, 0x80, 0x00, 0x00},
                                    {0x1B, 0x41, 0x08, 0x1B, 0x7A, 0x30, 0x1B, 0x77}}),
                              576);
  const std::string path = ::testing::TempDir() + "/brimloft_decoder_paper.png";
  WritePaperPng(decoded.paper, path);
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str())) << image.message;
  image.format = PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(image));
  ASSERT_TRUE(png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) << image.message;
  EXPECT_EQ(576u, image.width);
  EXPECT_EQ(24u, image.height);
  auto pixel = [&](std::size_t x, std::size_t y) {
    return Bytes(pixels.begin() + (y * 576 + x) * 3, pixels.begin() + (y * 576 + x) * 3 + 3);
  };
  EXPECT_EQ((Bytes{0, 0, 0}), pixel(0, 0));            // the dot
  EXPECT_EQ((Bytes{255, 255, 255}), pixel(1, 0));      // paper
  EXPECT_EQ((Bytes{255, 255, 255}), pixel(575, 22));   // paper to the head's edge
  // The cut comes after the band end: drawn on the last row, a red dashed line across the paper.
  EXPECT_GT(pixel(0, 23)[0], 0x80);
  EXPECT_LT(pixel(0, 23)[1], 0x80);
  EXPECT_GT(pixel(564, 23)[0], 0x80);
  EXPECT_EQ((Bytes{255, 255, 255}), pixel(6, 23));     // between two dashes
  std::filesystem::remove(path);
}

TEST(StreamDecoder, UnwritablePngPathIsAClearError) {
  Paper paper;
  EXPECT_THROW(WritePaperPng(paper, "/nonexistent-folder/paper.png"), std::runtime_error);
}

}  // namespace
}  // namespace brimloft::host
