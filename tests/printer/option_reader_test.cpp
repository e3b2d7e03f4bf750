#include <gtest/gtest.h>

#include <platform/trace_controller.h>

#include <stdexcept>

#include "module/trace.h"
#include "printer/SnapshotFile.h"
#include "printer_test_support.h"

namespace brimloft {
namespace {

using fakes::FakeCoreHelper;
using testing::PrinterFixture;
using testing::Ticket;

class OptionReader : public PrinterFixture {
 protected:
  ComPtr<FakeCoreHelper> helper = ComPtr<FakeCoreHelper>::Attach(new FakeCoreHelper);

  void PutHelper() { bag->Put(L"IPrintCoreHelper", helper.get()); }

  // A handler whose options are refreshed from the given ticket.
  std::unique_ptr<BrimloftBitmapHandler> Refreshed(const std::string& ticket) {
    auto handler = Handler();
    snapshot.Write(ticket);
    handler->ReadTicketOptions();
    return handler;
  }
};

TEST_F(OptionReader, SeedsThePrinterAndEveryFeatureOfTheCoreHelper) {
  helper->Add("QVDither", "4x4");
  helper->Add("QVBright", "forte");
  helper->Add("QVCutType", "P");
  PutHelper();
  auto handler = Handler("RX3Q");
  EXPECT_EQ((std::vector<std::string>{"QVBright", "QVCutType", "QVDither", "printer"}), handler->OptionKeys());
  EXPECT_EQ("RX3Q", handler->LookupOption("printer"));
  EXPECT_EQ("4x4", handler->LookupOption("QVDither"));
  EXPECT_EQ("forte", handler->LookupOption("QVBright"));
  EXPECT_EQ("P", handler->LookupOption("QVCutType"));
  ASSERT_EQ(3u, helper->optionCalls.size());
  for (const auto& call : helper->optionCalls) EXPECT_TRUE(call.noDevmode) << call.feature;
  EXPECT_EQ((std::vector<std::wstring>{L"IPrintCoreHelper"}), bag->requested);
}

TEST_F(OptionReader, SeedingKeepsPresentEntriesAndEmptiesFailedOptions) {
  helper->Add("printer", "fromHelper");
  helper->Add("QVDither", "first");
  helper->Add("QVDither", "second");
  helper->options["QVDither"] = "first";
  helper->Add("QVBright", "never read");
  helper->failOptions.insert("QVBright");
  PutHelper();
  auto handler = Handler("RX1P");
  EXPECT_EQ("RX1P", handler->LookupOption("printer"));
  EXPECT_EQ("first", handler->LookupOption("QVDither"));
  EXPECT_EQ("", handler->LookupOption("QVBright"));
  EXPECT_EQ(3u, handler->OptionKeys().size());
}

TEST_F(OptionReader, SeedingCutsNamesLongerThanSixtyThreeCharacters) {
  const std::string longName(70, 'F');
  const std::string longOption(80, 'o');
  helper->Add(longName, longOption);
  PutHelper();
  auto handler = Handler();
  EXPECT_EQ(std::string(63, 'o'), handler->LookupOption(std::string(63, 'F')));
  EXPECT_EQ(longName, helper->optionCalls.at(0).feature);
}

TEST_F(OptionReader, SeedingStopsAfterThePrinterWhenTheHelperIsMissingOfTheWrongKindOrCannotEnumerate) {
  {
    auto handler = Handler();  // no property at all
    EXPECT_EQ((std::vector<std::string>{"printer"}), handler->OptionKeys());
  }
  {
    bag->PutInteger(L"IPrintCoreHelper", 5);  // not an object
    EXPECT_EQ(1u, Handler()->OptionKeys().size());
  }
  {
    bag->Put(L"IPrintCoreHelper", output.get());  // an object of another kind
    EXPECT_EQ(1u, Handler()->OptionKeys().size());
  }
  {
    helper->Add("QVDither", "4x4");
    helper->enumResult = E_ACCESSDENIED;
    PutHelper();
    auto handler = Handler("RX2Q");
    EXPECT_EQ((std::vector<std::string>{"printer"}), handler->OptionKeys());
    EXPECT_EQ("RX2Q", handler->LookupOption("printer"));
  }
}

TEST_F(OptionReader, SeedingWithoutAPropertyBagStopsAfterThePrinter) {
  auto handler = BrimloftBitmapHandler::Create("RX2P", nullptr, output.get());
  EXPECT_EQ((std::vector<std::string>{"printer"}), handler->OptionKeys());
}

TEST_F(OptionReader, TicketKeysLoseEveryPskPrefixAndValuesLosePskNs0000AndUnderscores) {
  auto handler = Refreshed(Ticket({{"psk:PageOrientation", "psk:Landscape"},
                                   {"QVDither", "ns0000:Floyd_Steinberg"},
                                   {"Mixed", "psk:ns0000:A_B"},
                                   {"ns0000:QVBright", "ns0000:forte"},
                                   {"psk:psk:Twice", "x_psk:y"}}));
  EXPECT_EQ("Landscape", handler->LookupOption("PageOrientation"));
  EXPECT_EQ("FloydSteinberg", handler->LookupOption("QVDither"));
  EXPECT_EQ("AB", handler->LookupOption("Mixed"));
  EXPECT_EQ("forte", handler->LookupOption("ns0000:QVBright"));
  EXPECT_EQ("xy", handler->LookupOption("Twice"));
}

TEST_F(OptionReader, AFeatureInAnotherNamespaceDoesNotReplaceTheSeededEntry) {
  helper->Add("QVBright", "normal");
  PutHelper();
  auto handler = Refreshed(Ticket({{"ns0000:QVBright", "ns0000:forte"}}));
  EXPECT_EQ("normal", handler->LookupOption("QVBright"));
  EXPECT_EQ("forte", handler->LookupOption("ns0000:QVBright"));
}

TEST_F(OptionReader, TicketValuesReplaceSeededOnesThePrinterEntryIncludedAndTheLastOccurrenceWins) {
  helper->Add("QVCutType", "P");
  PutHelper();
  auto handler = Refreshed(Ticket({{"QVCutType", "S"}, {"printer", "other"}, {"QVDither", "2x2"}, {"QVDither", "4x4"}}));
  EXPECT_EQ("S", handler->LookupOption("QVCutType"));
  EXPECT_EQ("other", handler->LookupOption("printer"));
  EXPECT_EQ("4x4", handler->LookupOption("QVDither"));
}

TEST_F(OptionReader, KeysAKeyOnlyWithAnOptionTheRestStaysAsItWas) {
  auto handler = Refreshed(Ticket({{"QVDither", "4x4"}, {"QVBright", "forte"}}));
  snapshot.Write(
      "<psf:PrintTicket xmlns:psf=\"p\">"
      "<psf:Feature name=\"QVDither\"/>"                                     // no option
      "<psf:ParameterInit name=\"QVBright\"><psf:Value>3</psf:Value></psf:ParameterInit>"
      "<psf:Feature name=\"QVCutType\"><psf:Option/></psf:Feature>"          // option without a name
      "<psf:Feature><psf:Option name=\"nameless\"/></psf:Feature>"           // feature without a name
      "<psf:Property name=\"Visited\"><psf:Option name=\"psk:Yes\"/></psf:Property>"
      "<psf:Feature name=\"Nested\"><psf:Feature name=\"Inner\"><psf:Option name=\"I\"/></psf:Feature>"
      "<psf:Option name=\"First\"/><psf:Option name=\"Second\"/></psf:Feature>"
      "</psf:PrintTicket>");
  handler->ReadTicketOptions();
  EXPECT_EQ("4x4", handler->LookupOption("QVDither"));
  EXPECT_EQ("forte", handler->LookupOption("QVBright"));
  EXPECT_EQ("Yes", handler->LookupOption("Visited"));
  EXPECT_EQ("First", handler->LookupOption("Nested"));
  EXPECT_EQ((std::vector<std::string>{"Nested", "QVBright", "QVDither", "Visited", "printer"}),
            handler->OptionKeys());
}

TEST_F(OptionReader, ReferencesInNamesAreTranslatedAndAByteOrderMarkIsSkipped) {
  auto handler = Refreshed("\xEF\xBB\xBF<psf:PrintTicket xmlns:psf=\"p\"><psf:Feature name=\"A&amp;B\">"
                           "<psf:Option name=\"caf&#233;\"/></psf:Feature></psf:PrintTicket>");
  EXPECT_EQ("caf\xC3\xA9", handler->LookupOption("A&B"));
}

TEST_F(OptionReader, ADocumentWithoutAPsfPrintTicketOrAnEmptyFileMergesNothing) {
  for (const std::string& text :
       {std::string("<pt:PrintTicket xmlns:pt=\"p\"><pt:Feature name=\"QVDither\"><pt:Option name=\"4x4\"/>"
                    "</pt:Feature></pt:PrintTicket>"),
        std::string("<root><psf:PrintTicket><psf:Feature name=\"QVDither\"><psf:Option name=\"4x4\"/>"
                    "</psf:Feature></psf:PrintTicket></root>"),
        std::string(), std::string("  \n")}) {
    auto handler = Refreshed(text);
    EXPECT_EQ((std::vector<std::string>{"printer"}), handler->OptionKeys()) << text;
  }
}

TEST_F(OptionReader, AMissingSnapshotFailsWithTheFileLoadersMessage) {
  auto handler = Handler();
  snapshot.Remove();
  try {
    handler->ReadTicketOptions();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ("cannot open file " + snapshot.path(), e.what());
  }
  EXPECT_EQ(1u, handler->OptionKeys().size());
}

TEST_F(OptionReader, ASnapshotPathThatIsAFolderIsAClearError) {
  auto handler = Handler();
  std::filesystem::create_directory(std::filesystem::u8path(snapshot.path()));
  try {
    handler->ReadTicketOptions();
    FAIL() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ("cannot open file " + snapshot.path(), e.what());
  }
}

TEST_F(OptionReader, MalformedXmlThrowsTheParserErrorAndLeavesTheOptionsUnchanged) {
  auto handler = Refreshed(Ticket({{"QVDither", "4x4"}}));
  const std::pair<std::string, std::string> cases[] = {
      {"<psf:PrintTicket><psf:Feature name=\"QVDither\"><psf:Option name=\"2x2\"/></psf:Feature>",
       "unexpected end of data"},
      {"plain text", "expected <"},
      {"<psf:PrintTicket a></psf:PrintTicket>", "expected ="},
      {"<psf:PrintTicket a=b></psf:PrintTicket>", "expected ' or \""},
      {"<psf:PrintTicket><psf:Feature name=\"&#xZZ;\"/></psf:PrintTicket>", "expected ;"},
      {"<>", "expected element name"},
  };
  for (const auto& c : cases) {
    snapshot.Write(c.first);
    try {
      handler->ReadTicketOptions();
      ADD_FAILURE() << "no exception for " << c.first;
    } catch (const std::exception& e) {
      EXPECT_EQ(c.second, e.what()) << c.first;
    }
    EXPECT_EQ("4x4", handler->LookupOption("QVDither"));
    EXPECT_EQ(2u, handler->OptionKeys().size());
  }
}

TEST_F(OptionReader, ASnapshotNestedBeyondTheLimitIsRefusedBeforeParsing) {
  auto handler = Refreshed(Ticket({{"QVDither", "4x4"}}));
  auto nested = [](std::size_t levels, const std::string& inner) {
    std::string text;
    for (std::size_t i = 0; i < levels; ++i) text += "<a>";
    text += inner;
    for (std::size_t i = 0; i < levels; ++i) text += "</a>";
    return text;
  };
  // 300,000 levels would overflow the parser's stack; 256 are allowed.
  snapshot.Write("<psf:PrintTicket>" + nested(300000, ""));
  try {
    handler->ReadTicketOptions();
    ADD_FAILURE() << "no exception";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ("the ticket snapshot nests elements deeper than 256 levels", e.what());
  }
  EXPECT_EQ("4x4", handler->LookupOption("QVDither"));
  snapshot.Write(nested(255, "<psf:PrintTicket/>"));
  EXPECT_NO_THROW(handler->ReadTicketOptions());
}

TEST(SnapshotNesting, SkipsWhatTheParserSkips) {
  const std::pair<const char*, std::size_t> cases[] = {
      {"", 0},
      {"<?xml version=\"1.0\"?><a><b/><c></c></a>", 2},
      {"<a x='>' y=\"<b>\"><!-- <c><d> --><![CDATA[<e><f>]]></a>", 1},
      {"<!DOCTYPE a><a><b><c/></b></a>", 2},
      {"<a><b></b><b></b><b><c>", 3},  // unclosed tags still count
      {"</a></b><a>", 1},             // stray closings never go below zero
  };
  for (const auto& c : cases) EXPECT_EQ(c.second, NestingDepth(c.first)) << c.first;
}

TEST_F(OptionReader, LookupNeverInsertsAndTheStrictAccessThrowsForAnAbsentFeature) {
  auto handler = Refreshed(Ticket({{"QVDither", "4x4"}}));
  EXPECT_EQ("", handler->LookupOption("PageOrientation"));
  EXPECT_EQ(2u, handler->OptionKeys().size());
  try {
    handler->OptionAt("PageOrientation");
    FAIL() << "no exception";
  } catch (const std::out_of_range& e) {
    EXPECT_STREQ("invalid map<K, T> key", e.what());
  }
  EXPECT_EQ("4x4", handler->OptionAt("QVDither"));
}

TEST(OptionReaderPath, ATemporaryFolderOutsideAsciiReachesTheSameFile) {
  testing::Apartment apartment;
  testing::SnapshotFolder snapshot("dossier-\xC3\xA9t\xC3\xA9-\xE6\x97\xA5");
  auto output = ComPtr<fakes::FakeWriteStream>::Attach(new fakes::FakeWriteStream);
  auto handler = BrimloftBitmapHandler::Create("RX2P", nullptr, output.get());
  EXPECT_NE(std::string::npos, snapshot.path().find("dossier-\xC3\xA9t\xC3\xA9-\xE6\x97\xA5"));
  snapshot.Write(Ticket({{"QVDither", "2x2"}}));
  handler->ReadTicketOptions();
  EXPECT_EQ("2x2", handler->LookupOption("QVDither"));
}

// Records of the printer output's trace unit, collected while the detail category is on.
class TraceCapture {
 public:
  TraceCapture() {
    trace::Start("KelmoranBrimloftFilter");
    session_ = platform::trace::Session::StartInMemory();
    session_->Enable(trace::kControlGuid, 5, TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL);
  }
  ~TraceCapture() {
    session_->Stop();
    trace::Stop();
  }
  std::vector<platform::trace::Record> Records(USHORT number) const {
    std::vector<platform::trace::Record> found;
    for (const auto& r : session_->Records()) {
      if (r.messageGuid == trace::MessageGuid(TraceUnit::BrimloftBitmapHandler) && r.number == number) {
        found.push_back(r);
      }
    }
    return found;
  }

 private:
  std::unique_ptr<platform::trace::Session> session_;
};

std::string Text(const std::string& bytes) { return bytes.substr(0, bytes.find('\0')); }

TEST_F(OptionReader, TracesEveryEntryInMapOrderAfterARefresh) {
  TraceCapture capture;
  auto handler = Refreshed(Ticket({{"QVDither", "4x4"}, {"psk:PageOrientation", "psk:Portrait"}}));
  const auto records = capture.Records(15);
  ASSERT_EQ(3u, records.size());
  const std::vector<std::vector<std::string>> expected = {
      {"PageOrientation", "=", "Portrait"}, {"QVDither", "=", "4x4"}, {"printer", "=", "RX2P"}};
  for (std::size_t i = 0; i < records.size(); ++i) {
    ASSERT_EQ(3u, records[i].arguments.size());
    for (std::size_t k = 0; k < 3; ++k) EXPECT_EQ(expected[i][k], Text(records[i].arguments[k]));
  }
}

TEST_F(OptionReader, TracesWhereSeedingStopped) {
  TraceCapture capture;
  Handler();
  EXPECT_EQ(1u, capture.Records(14).size());
  bag->PutInteger(L"IPrintCoreHelper", 1);
  Handler();
  EXPECT_EQ(1u, capture.Records(13).size());
  helper->enumResult = E_FAIL;
  PutHelper();
  Handler();
  EXPECT_EQ(1u, capture.Records(12).size());
  EXPECT_EQ(1u, capture.Records(14).size());
}

}  // namespace
}  // namespace brimloft
