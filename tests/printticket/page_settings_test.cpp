#include "printticket/ticket_test_support.h"

#include "fakes/trace_capture.h"


namespace brimloft::testing {
namespace {

using fakes::TraceCapture;

// Pages without tickets of their own: the page level is the user ticket exactly as given.
class PageSettingsFromTicket : public TicketJob {
 protected:
  HRESULT Read(const std::string& ticket, PageSettings* settings) {
    bag_->SetTicketSource(ticket, L"RX1P", kUserToken);
    auto handler = Handler();
    if (!handler) return E_ABORT;
    auto sequence = fakes::Make<fakes::FakeSequence>();
    auto document = fakes::Make<fakes::FakeDocument>();
    auto page = fakes::Make<fakes::FakePage>();
    handler->MergeJobTicket(sequence.get());
    handler->MergeDocumentTicket(document.get());
    handler->MergePageTicket(page.get());
    // Every field must be written.
    settings->pageSize = {-1.0f, -1.0f};
    settings->fitMode = -1;
    settings->resolution = -1.0f;
    settings->targetRect = {-1.0f, -1.0f, -1.0f, -1.0f};
    return Raised([&] { handler->GetPageSettings(*settings); });
  }
};

TEST_F(PageSettingsFromTicket, ValuesComeFromTheTicketOrTheirDefaults) {
  struct Case {
    const char* fixture;
    float width, height, resolution;
  };
  const Case kCases[] = {
      {"no_media.xml", 1056.0f, 816.0f, 203.0f},
      {"media_2x4.xml", 192.0f, 384.0f, 300.0f},                 // 203 x 300: the larger
      {"media_2x4_landscape.xml", 384.0f, 192.0f, 203.0f},       // a single value
      {"media_2x4_reverse_landscape.xml", 192.0f, 384.0f, 96.0f},  // no resolution: 96
      {"width_only.xml", 192.0f, 816.0f, 203.0f},
      {"other_keyword_prefix.xml", 384.0f, 192.0f, 300.0f},      // keywords under the prefix kw
      {"private_resolution.xml", 192.0f, 384.0f, 96.0f},         // ns0000:PageResolution is not the keyword
      {"empty_resolution.xml", 1056.0f, 816.0f, 96.0f},          // a feature without values
      // A custom size: each scored property names the ParameterInit that holds its micrometres.
      {"custom_media.xml", 54000 / 25400.0f * 96.0f, 1200000 / 25400.0f * 96.0f, 203.0f},
  };
  for (const auto& c : kCases) {
    PageSettings s;
    ASSERT_EQ(S_OK, Read(fakes::TicketFixture(c.fixture), &s)) << c.fixture;
    EXPECT_FLOAT_EQ(c.width, s.pageSize.width) << c.fixture;
    EXPECT_FLOAT_EQ(c.height, s.pageSize.height) << c.fixture;
    EXPECT_FLOAT_EQ(c.resolution, s.resolution) << c.fixture;
    EXPECT_EQ(1, s.fitMode) << c.fixture;
    EXPECT_EQ(0.0f, s.targetRect.x) << c.fixture;
    EXPECT_EQ(0.0f, s.targetRect.y) << c.fixture;
    EXPECT_FLOAT_EQ(c.width, s.targetRect.width) << c.fixture;
    EXPECT_FLOAT_EQ(c.height, s.targetRect.height) << c.fixture;
  }
}

TEST_F(PageSettingsFromTicket, MediaSizesConvertInSinglePrecisionDividingFirst) {
  std::string ticket = fakes::TicketFixture("media_2x4.xml");
  ticket.replace(ticket.find("50800"), 5, "54000");
  PageSettings s;
  ASSERT_EQ(S_OK, Read(ticket, &s));
  const float expected = 54000.0f / 25400.0f * 96.0f;
  EXPECT_EQ(expected, s.pageSize.width);
}

TEST_F(PageSettingsFromTicket, UnusableTicketsFailWithTheirHResult) {
  std::string zeroWidth = fakes::TicketFixture("media_2x4.xml");
  zeroWidth.replace(zeroWidth.find("50800"), 5, "0");
  const std::pair<std::string, HRESULT> kCases[] = {
      {fakes::TicketFixture("three_resolutions.xml"), E_UNEXPECTED},
      {fakes::TicketFixture("resolution_not_integer.xml"), DISP_E_TYPEMISMATCH},
      {zeroWidth, E_UNEXPECTED},
      {"this is no ticket", E_FAIL},
      {"", E_FAIL},
  };
  for (const auto& [ticket, expected] : kCases) {
    PageSettings s;
    EXPECT_EQ(expected, Read(ticket, &s)) << ticket.substr(0, 200);
  }
}

TEST_F(PageSettingsFromTicket, TracesEachStepWithItsValues) {
  TraceCapture capture;
  PageSettings s;
  ASSERT_EQ(S_OK, Read(fakes::TicketFixture("media_2x4_landscape.xml"), &s));
  EXPECT_EQ((std::vector<USHORT>{10, 15, 16, 12, 13, 14}), capture.Numbers(TraceUnit::PThandler));
  const auto records = capture.Of(TraceUnit::PThandler);
  EXPECT_EQ(203.0, TraceCapture::Double(records[1].arguments.at(0)));
  EXPECT_EQ(384.0, TraceCapture::Double(records[2].arguments.at(0)));
  EXPECT_EQ(192.0, TraceCapture::Double(records[2].arguments.at(1)));
  EXPECT_EQ(GetTicketSnapshotPath(), TraceCapture::Narrow(records[4].arguments.at(0)));
}

TEST_F(PageSettingsFromTicket, ATicketThatDoesNotLoadIsTracedAsAFailure) {
  TraceCapture capture;
  PageSettings s;
  EXPECT_EQ(E_FAIL, Read("<unclosed>", &s));
  EXPECT_EQ(std::vector<USHORT>{10}, capture.Numbers(TraceUnit::PThandler));
  const auto failures = capture.Of(TraceUnit::trace_failure);
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(static_cast<int>(E_FAIL), TraceCapture::Int(failures[0].arguments.at(0)));
  EXPECT_EQ("PThandler", TraceCapture::Narrow(failures[0].arguments.at(1)));
}

TEST_F(PageSettingsFromTicket, NoPageLevelTicketIsTracedAndFails) {
  auto handler = Handler();
  TraceCapture capture;
  PageSettings s;
  EXPECT_EQ(E_FAIL, Raised([&] { handler->GetPageSettings(s); }));
  EXPECT_EQ((std::vector<USHORT>{10, 11}), capture.Numbers(TraceUnit::PThandler));
}

}  // namespace
}  // namespace brimloft::testing
