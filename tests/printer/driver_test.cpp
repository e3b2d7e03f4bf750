#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>

#include <platform/com_registry.h>

#include "host/decoder/stream_decoder.h"
#include "printer_test_support.h"

namespace brimloft {
namespace {

using testing::Bytes;
using testing::Concat;
using testing::kBlack;
using testing::kWhite;
using testing::MakeStrip;
using testing::PortraitTicket;

using testing::kBandEnd;
using testing::kBandPrologue;
using testing::kClosing;
using testing::kFullCut;
using testing::kPartialCut;
using testing::kRasterPrologue;

// A 576-pixel strip of 24 rows, white but for black pixels in the top row, columns 0 to 2: on the
// 576-dot head it becomes exactly that one-bit image.
ComPtr<IWICBitmap> TopRowStrip() {
  return MakeStrip(576, 24, [](UINT x, UINT y) { return y == 0 && x < 3 ? kBlack : kWhite; });
}
const Bytes kTopRowBand = {0x1B, 0x2A, 0x21, 0x03, 0x00, 0x80, 0x00, 0x00, 0x80, 0x00,
                           0x00, 0x80, 0x00, 0x00, 0x1B, 0x41, 0x08};

class Driver : public testing::PrinterFixture {
 protected:
  std::unique_ptr<BrimloftBitmapHandler> With(std::vector<std::pair<std::string, std::string>> options,
                                              const std::string& variant = "RX2P") {
    snapshot.Write(PortraitTicket(std::move(options)));
    return Handler(variant);
  }
  // The bytes of the last write, checking that the call made exactly one.
  Bytes Segment(BrimloftBitmapHandler& handler, INT page, IWICBitmap* strip) {
    const std::size_t before = output->writes.size();
    handler.ProcessStrip(page, strip);
    EXPECT_EQ(before + 1, output->writes.size());
    return output->writes.empty() ? Bytes{} : output->writes.back();
  }
};

TEST_F(Driver, AWholePageByPageBandSegment) {
  auto handler = With({});
  const auto strip = TopRowStrip();
  const Bytes segment = Segment(*handler, 1, strip.get());
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing, kFullCut}), segment);
  EXPECT_EQ(31u, segment.size());
}

TEST_F(Driver, EndOfJobSegmentsPageByPageWhateverTheCut) {
  for (const char* cut : {"", "P", "S"}) {
    auto handler = With({{"QVCutType", cut}});
    handler->ReadTicketOptions();  // as the job's pages did
    EXPECT_EQ(Concat({kBandPrologue, kClosing}), Segment(*handler, 0, nullptr)) << cut;
  }
  auto handler = With({{"QVPrintType", "Horizontal"}});
  handler->ReadTicketOptions();
  EXPECT_EQ(Concat({kRasterPrologue, kClosing}), Segment(*handler, 0, nullptr));
}

TEST_F(Driver, EndOfJobSegmentsInContinuousPrinting) {
  auto partial = With({{"QVPrintContinuous", "S"}, {"QVCutType", "P"}});
  partial->ReadTicketOptions();  // as the job's pages did
  EXPECT_EQ(Concat({kBandEnd, kBandEnd, kBandEnd, kClosing, kPartialCut}), Segment(*partial, 0, nullptr));
  auto none = With({{"QVPrintContinuous", "S"}, {"QVCutType", "S"}});
  none->ReadTicketOptions();
  EXPECT_EQ(Concat({kBandEnd, kBandEnd, kBandEnd, kClosing}), Segment(*none, 0, nullptr));
}

TEST_F(Driver, ContinuousThreePagesPutThePrologueOnlyOnPageOneAndTheCutAtTheEnd) {
  auto handler = With({{"QVPrintContinuous", "S"}});
  const auto strip = TopRowStrip();
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing}), Segment(*handler, 1, strip.get()));
  EXPECT_EQ(Concat({kTopRowBand, kClosing}), Segment(*handler, 2, strip.get()));
  EXPECT_EQ(Concat({kTopRowBand, kClosing}), Segment(*handler, 3, strip.get()));
  EXPECT_EQ(Concat({kBandEnd, kBandEnd, kBandEnd, kClosing, kFullCut}), Segment(*handler, 0, nullptr));
  EXPECT_EQ(4u, output->writes.size());
}

TEST_F(Driver, AnyOtherContinuityValueMeansPageByPage) {
  const auto strip = TopRowStrip();
  for (const char* value : {"s", "N", "S ", ""}) {
    auto handler = With({{"QVPrintContinuous", value}});
    for (INT page : {1, 2, 3}) {
      EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing, kFullCut}), Segment(*handler, page, strip.get()))
          << value << page;
    }
    EXPECT_EQ(Concat({kBandPrologue, kClosing}), Segment(*handler, 0, nullptr)) << value;
  }
}

TEST_F(Driver, EveryStripOfPageOneBeginsWithThePrologueInContinuousPrinting) {
  auto handler = With({{"QVPrintContinuous", "S"}});
  const auto strip = TopRowStrip();
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing}), Segment(*handler, 1, strip.get()));
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing}), Segment(*handler, 1, strip.get()));
}

TEST_F(Driver, AStripCallWithoutABitmapWritesNoImage) {
  EXPECT_EQ(Concat({kBandPrologue, kClosing, kFullCut}), Segment(*With({}), 1, nullptr));
  EXPECT_EQ(Concat({kRasterPrologue, kBandEnd, kClosing, kFullCut}),
            Segment(*With({{"QVPrintType", "Horizontal"}}), 2, nullptr));
}

TEST_F(Driver, TheOptionsAreReadAnewForEveryCall) {
  auto handler = With({});
  const auto strip = TopRowStrip();
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing, kFullCut}), Segment(*handler, 1, strip.get()));
  snapshot.Write(PortraitTicket({{"QVCutType", "P"}}));
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing, kPartialCut}), Segment(*handler, 2, strip.get()));
}

TEST_F(Driver, AFailedWriteThrowsItsResultAndTheNextCallWritesAWholeSegment) {
  auto handler = With({});
  const auto strip = TopRowStrip();
  output->failWith = STG_E_MEDIUMFULL;
  try {
    handler->ProcessStrip(1, strip.get());
    FAIL() << "no exception";
  } catch (const hr_error& e) {
    EXPECT_EQ(STG_E_MEDIUMFULL, e.hr);
  }
  EXPECT_TRUE(output->writes.empty());
  output->failWith = S_OK;
  EXPECT_EQ(Concat({kBandPrologue, kTopRowBand, kClosing, kFullCut}), Segment(*handler, 1, strip.get()));
}

TEST_F(Driver, AnUnreadableSnapshotFailsTheCallBeforeAnythingIsWritten) {
  auto handler = With({});
  snapshot.Remove();
  try {
    const auto strip = TopRowStrip();
    handler->ProcessStrip(1, strip.get());
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ("cannot open file " + snapshot.path(), e.what());
  }
  snapshot.Write("<psf:PrintTicket><psf:Feature name=\"QVCutType\">");
  const auto strip = TopRowStrip();
  EXPECT_THROW(handler->ProcessStrip(1, strip.get()), std::exception);
  EXPECT_TRUE(output->writes.empty());
}

TEST_F(Driver, AJobWithoutPagesEndsWithItsSeededOptionsNotAnotherJobsSnapshot) {
  // Another job's ticket, asking for continuous printing with a partial cut.
  snapshot.Write(testing::Ticket({{"QVPrintContinuous", "S"}, {"QVCutType", "P"}}));
  auto handler = Handler();
  EXPECT_EQ(Concat({kBandPrologue, kClosing}), Segment(*handler, 0, nullptr));
  snapshot.Remove();
  auto another = Handler();
  EXPECT_EQ(Concat({kBandPrologue, kClosing}), Segment(*another, 0, nullptr));
}

TEST_F(Driver, AStripWithoutAPageOrientationFailsWithTheStrictAccessError) {
  snapshot.Write(testing::Ticket({{"QVDither", "4x4"}}));
  auto handler = Handler();
  const auto strip = TopRowStrip();
  try {
    handler->ProcessStrip(1, strip.get());
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ("invalid map<K, T> key", e.what());
  }
  EXPECT_TRUE(output->writes.empty());
  // The end of the job needs no orientation.
  EXPECT_EQ(Concat({kBandPrologue, kClosing}), Segment(*handler, 0, nullptr));
}

TEST_F(Driver, CreateRejectsAMissingOutputStream) {
  try {
    BrimloftBitmapHandler::Create("RX2P", bag.get(), nullptr);
    FAIL() << "no exception";
  } catch (const hr_error& e) {
    EXPECT_EQ(E_POINTER, e.hr);
  }
}

TEST(DriverCreate, TheImagingFactoryCreationIsTriedTwiceThenItsFailureThrown) {
  // Outside any apartment the runtime refuses both attempts.
  auto output = ComPtr<fakes::FakeWriteStream>::Attach(new fakes::FakeWriteStream);
  try {
    BrimloftBitmapHandler::Create("RX2P", nullptr, output.get());
    FAIL() << "no exception";
  } catch (const hr_error& e) {
    EXPECT_EQ(CO_E_NOTINITIALIZED, e.hr);
  }
}

// The imaging component may still be starting: a first refusal is tried once more, a second is
// thrown.
platform::ClassCreator g_imagingFactory = nullptr;
std::atomic<int> g_refusalsLeft{0};
HRESULT ImagingFactoryRefusingFirst(REFIID riid, void** ppv) {
  *ppv = nullptr;
  if (g_refusalsLeft.fetch_sub(1) > 0) return REGDB_E_CLASSNOTREG;
  return g_imagingFactory(riid, ppv);
}

TEST_F(Driver, AnImagingFactoryRefusedOnceIsMadeOnTheSecondTry) {
  auto output = ComPtr<fakes::FakeWriteStream>::Attach(new fakes::FakeWriteStream);
  g_imagingFactory = platform::RegisteredInprocClass(CLSID_WICImagingFactory1);
  ASSERT_NE(nullptr, g_imagingFactory);
  platform::RegisterInprocClass(CLSID_WICImagingFactory1, ImagingFactoryRefusingFirst);
  const auto create = [&](int refusals) {
    g_refusalsLeft = refusals;
    try {
      BrimloftBitmapHandler::Create("RX2P", nullptr, output.get());
    } catch (const hr_error& e) {
      return e.hr;
    }
    return S_OK;
  };
  const HRESULT once = create(1);
  const HRESULT twice = create(2);
  platform::RegisterInprocClass(CLSID_WICImagingFactory1, g_imagingFactory);
  EXPECT_EQ(S_OK, once);
  EXPECT_EQ(REGDB_E_CLASSNOTREG, twice);
}

TEST_F(Driver, TheDecoderDrawsWhatTheHandlerWroteInRasterAndBandModeOnEveryHead) {
  // A strip as wide as the head with a diagonal, a frame and stripes; one page, both modes.
  for (const auto& [variant, head] : {std::pair{"RX1P", 432u}, std::pair{"RX2P", 576u}, std::pair{"RX3P", 832u}}) {
    const UINT w = head;
    const auto strip = MakeStrip(w, 100, [w](UINT x, UINT y) {
      return (x == y || x == 0 || y == 0 || x == w - 1 || y == 99 || (x / 8 + y / 5) % 7 == 0) ? kBlack : kWhite;
    });
    for (const char* type : {"", "Horizontal"}) {
      auto handler = With({{"QVPrintType", type}}, variant);
      handler->ReadTicketOptions();
      const OneBitImage image = handler->PreparePageImage(strip.get());
      ASSERT_EQ(w, image.width);
      handler->ProcessStrip(1, strip.get());
      handler->ProcessStrip(0, nullptr);
      const Bytes all = output->All();
      const auto decoded = host::DecodeStream(all.data(), all.size());
      EXPECT_EQ(2u, decoded.summary.segments);
      EXPECT_EQ(1u, decoded.summary.fullCuts);
      EXPECT_EQ(w, decoded.paper.width) << variant << " " << type;
      for (UINT y = 0; y < 100; ++y) {
        for (UINT x = 0; x < w; ++x) {
          ASSERT_EQ(testing::IsDot(image, x, y), decoded.paper.Dot(x, y)) << variant << " " << type << " " << x << "," << y;
        }
      }
      for (UINT y = 100; y < decoded.paper.height; ++y) {
        for (UINT x = 0; x < decoded.paper.width; ++x) ASSERT_FALSE(decoded.paper.Dot(x, y));
      }
      output->writes.clear();
    }
  }
}

}  // namespace
}  // namespace brimloft
