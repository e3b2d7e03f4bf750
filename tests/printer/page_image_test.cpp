#include <gtest/gtest.h>

#include <platform/trace_controller.h>

#include "module/trace.h"
#include "printer_test_support.h"

namespace brimloft {
namespace {

using testing::IsDot;
using testing::kBlack;
using testing::kWhite;
using testing::MakeStrip;
using testing::PortraitTicket;
using testing::Ticket;

class PageImage : public testing::PrinterFixture {
 protected:
  std::unique_ptr<BrimloftBitmapHandler> With(const std::string& ticket, const std::string& variant = "RX2P") {
    auto handler = Handler(variant);
    snapshot.Write(ticket);
    handler->ReadTicketOptions();
    return handler;
  }
};

std::string Landscape(std::vector<std::pair<std::string, std::string>> options = {}) {
  options.insert(options.begin(), {"psk:PageOrientation", "psk:Landscape"});
  return Ticket(options);
}

std::size_t CountDots(const OneBitImage& image) {
  std::size_t dots = 0;
  for (UINT y = 0; y < image.height; ++y) {
    for (UINT x = 0; x < image.width; ++x) dots += IsDot(image, x, y);
  }
  return dots;
}

TEST_F(PageImage, ScalesToTheHeadWidthKeepingTheAspectRatioTruncated) {
  struct Case {
    const char* variant;
    UINT w0, h0, width, height;
  };
  const Case cases[] = {
      {"RX3P", 1664, 100, 832, 50}, {"RX1Q", 1664, 100, 432, 25}, {"RX2Q", 576, 33, 576, 33},
      {"RX2P", 640, 7, 576, 6},     {"XXXX", 864, 10, 432, 5},     {"RX3Q", 13, 1, 832, 64},
  };
  for (const Case& c : cases) {
    auto handler = With(PortraitTicket(), c.variant);
    const auto strip = MakeStrip(c.w0, c.h0, [](UINT, UINT) { return kWhite; });
    const OneBitImage image = handler->PreparePageImage(strip.get());
    EXPECT_EQ(c.width, image.width) << c.variant << " " << c.w0;
    EXPECT_EQ(c.height, image.height) << c.variant << " " << c.w0;
    EXPECT_EQ(std::size_t(c.width / 8) * c.height, image.bits.size()) << c.variant << " " << c.w0;
  }
}

TEST_F(PageImage, LandscapeTurnsTheStripAQuarterCounterClockwiseBeforeScaling) {
  auto handler = With(Landscape(), "RX3P");
  // 100 x 832 turned is 832 x 100: no scaling. The strip's right column becomes the top row and
  // its top row the left column.
  const auto strip = MakeStrip(100, 832, [](UINT x, UINT y) { return x == 99 || (y == 0 && x < 10) ? kBlack : kWhite; });
  const OneBitImage image = handler->PreparePageImage(strip.get());
  ASSERT_EQ(832u, image.width);
  ASSERT_EQ(100u, image.height);
  for (UINT y = 0; y < 100; ++y) {
    for (UINT x = 0; x < 832; ++x) {
      const bool expected = y == 0 || (x == 0 && y >= 90);
      ASSERT_EQ(expected, IsDot(image, x, y)) << x << "," << y;
    }
  }
}

TEST_F(PageImage, LandscapeHeightComesFromTheTurnedSize) {
  auto handler = With(Landscape(), "RX1P");
  const auto strip = MakeStrip(100, 1664, [](UINT, UINT) { return kWhite; });
  const OneBitImage image = handler->PreparePageImage(strip.get());
  EXPECT_EQ(432u, image.width);
  EXPECT_EQ(25u, image.height);  // 432 * 100 / 1664
}

TEST_F(PageImage, OnlyTheExactWordLandscapeTurns) {
  for (const char* orientation : {"psk:landscape", "psk:Portrait", "psk:ReverseLandscape"}) {
    auto handler = With(Ticket({{"psk:PageOrientation", orientation}}), "RX3P");
    const auto strip = MakeStrip(1664, 100, [](UINT, UINT) { return kWhite; });
    const OneBitImage image = handler->PreparePageImage(strip.get());
    EXPECT_EQ(50u, image.height) << orientation;
  }
}

TEST_F(PageImage, CompositesOntoWhiteSoTransparentPixelsPrintNothing) {
  auto handler = With(PortraitTicket({{"QVBright", "forte"}}));
  const auto strip = MakeStrip(576, 30, [](UINT x, UINT) { return x < 300 ? 0x00000000u : 0x00FF0000u; });
  EXPECT_EQ(0u, CountDots(handler->PreparePageImage(strip.get())));
}

TEST_F(PageImage, TheBrightnessCurveDecidesWhereMidGreyPrints) {
  // Grey 128 lies just above the middle: the plain conversion leaves it white unless the curve
  // darkens it below the middle.
  const auto strip = MakeStrip(576, 24, [](UINT, UINT) { return 0xFF808080u; });
  std::size_t dots[2];
  int i = 0;
  for (const char* bright : {"fraco", "forte"}) {
    auto handler = With(PortraitTicket({{"QVBright", bright}}));
    dots[i++] = CountDots(handler->PreparePageImage(strip.get()));
  }
  EXPECT_EQ(0u, dots[0]);
  EXPECT_EQ(576u * 24, dots[1]);
}

TEST_F(PageImage, OrderedDithersSurviveTheConversionBitForBit) {
  const auto black = MakeStrip(576, 48, [](UINT, UINT) { return kBlack; });
  {
    const OneBitImage image = With(PortraitTicket({{"QVDither", "2x2"}}))->PreparePageImage(black.get());
    for (UINT y = 0; y < image.height; ++y) {
      for (UINT x = 0; x < image.width; ++x) ASSERT_EQ(!(x % 2 == 0 && y % 2 == 0), IsDot(image, x, y));
    }
  }
  {
    const OneBitImage image = With(PortraitTicket({{"QVDither", "4x4"}}))->PreparePageImage(black.get());
    for (UINT y = 0; y < image.height; ++y) {
      for (UINT x = 0; x < image.width; ++x) ASSERT_EQ(!(x % 4 == 0 && y % 4 == 0), IsDot(image, x, y));
    }
  }
  {
    // Grey 128: level 8 of 16, white where the threshold is 8 or less: half the pixels.
    const auto grey = MakeStrip(576, 48, [](UINT, UINT) { return 0xFF808080u; });
    const OneBitImage image = With(PortraitTicket({{"QVDither", "4x4"}, {"QVBright", "normal"}}))
                                  ->PreparePageImage(grey.get());
    static const int m4[16] = {0, 8, 2, 10, 12, 4, 14, 6, 3, 11, 1, 9, 15, 7, 13, 5};
    for (UINT y = 0; y < image.height; ++y) {
      for (UINT x = 0; x < image.width; ++x) ASSERT_EQ(m4[4 * (x % 4) + y % 4] > 8, IsDot(image, x, y));
    }
  }
}

TEST_F(PageImage, FloydSteinbergKeepsTheMeanGreyAndOtherSpellingsConvertPlainly) {
  const auto grey = MakeStrip(576, 96, [](UINT, UINT) { return 0xFF606060u; });  // 96 of 255
  const OneBitImage diffused =
      With(PortraitTicket({{"QVDither", "ns0000:Floyd_Steinberg"}, {"QVBright", "normal"}}))->PreparePageImage(grey.get());
  const double inked = double(CountDots(diffused)) / (576.0 * 96.0);
  EXPECT_NEAR(1.0 - 96.0 / 255.0, inked, 0.02);
  const OneBitImage plain =
      With(PortraitTicket({{"QVDither", "floydsteinberg"}, {"QVBright", "normal"}}))->PreparePageImage(grey.get());
  EXPECT_EQ(576u * 96, CountDots(plain));
}

TEST_F(PageImage, AStripTooShortForOneScaledRowGivesAnEmptyImage) {
  auto handler = With(PortraitTicket(), "RX1Q");
  const auto strip = MakeStrip(1664, 3, [](UINT, UINT) { return kBlack; });
  const OneBitImage image = handler->PreparePageImage(strip.get());
  EXPECT_EQ(432u, image.width);
  EXPECT_EQ(0u, image.height);
  EXPECT_TRUE(image.bits.empty());
  handler->ProcessStrip(1, strip.get());
  ASSERT_EQ(1u, output->writes.size());
  EXPECT_EQ(9u + 3 + 2, output->writes[0].size());  // prologue, closing and cut: no image commands
}

TEST_F(PageImage, AStripThatWouldScaleBeyondTheBoundFailsAndWritesNothing) {
  struct Case {
    const char* orientation;
    UINT width, height;
  };
  // The last row of a landscape page turns into a sliver one pixel wide, 576 x 467,712 scaled; a
  // strip one pixel wide and 360 tall scales to 432 x 155,520 = 67,184,640 pixels, just beyond.
  const Case kCases[] = {{"psk:Landscape", 812, 1}, {"psk:Portrait", 1, 360}, {"psk:Landscape", 2000000, 1}};
  for (const Case& c : kCases) {
    auto handler = With(Ticket({{"psk:PageOrientation", c.orientation}}), "RX1P");
    const auto strip = MakeStrip(c.width, c.height, [](UINT, UINT) { return kBlack; });
    HRESULT hr = S_OK;
    try {
      handler->ProcessStrip(1, strip.get());
    } catch (const hr_error& e) {
      hr = e.hr;
    }
    EXPECT_EQ(E_OUTOFMEMORY, hr) << c.width << " x " << c.height;
    EXPECT_TRUE(output->writes.empty());
  }
}

TEST_F(PageImage, TracesTheVariantAndItsHeadWidth) {
  trace::Start("KelmoranBrimloftFilter");
  auto session = platform::trace::Session::StartInMemory();
  session->Enable(trace::kControlGuid, 5, TRACE_DETAIL);
  auto handler = With(PortraitTicket(), "RX3Q");
  const auto strip = MakeStrip(16, 2, [](UINT, UINT) { return kWhite; });
  handler->PreparePageImage(strip.get());
  session->Stop();
  trace::Stop();
  std::vector<platform::trace::Record> found;
  for (const auto& r : session->Records()) {
    if (r.messageGuid == trace::MessageGuid(TraceUnit::BrimloftBitmapHandler) && r.number == 17) found.push_back(r);
  }
  ASSERT_EQ(1u, found.size());
  ASSERT_EQ(2u, found[0].arguments.size());
  EXPECT_EQ(std::string("RX3Q", 5), found[0].arguments[0]);
  const std::uint32_t width = 832;
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&width), 4), found[0].arguments[1]);
}

}  // namespace
}  // namespace brimloft
