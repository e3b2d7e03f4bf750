#include <gtest/gtest.h>

#include <prntvpt.h>

#include <platform/printer_description.h>

#include "fakes/com_apartment.h"
#include "fakes/memory_stream.h"

#include <memory>
#include <string>

namespace brimloft {
namespace {

using fakes::ContentOf;
using fakes::StreamOf;
using fakes::TicketFixture;

const HPTPROVIDER kProviderSentinel = reinterpret_cast<HPTPROVIDER>(0x5151);
const BSTR kMessageSentinel = reinterpret_cast<BSTR>(0x5151);

struct BstrFree {
  void operator()(OLECHAR* s) const { SysFreeString(s); }
};
using OwnedBstr = std::unique_ptr<OLECHAR, BstrFree>;

std::string Narrow(const wchar_t* s) {
  std::string out;
  for (; s && *s; ++s) out += static_cast<char>(*s < 0x80 ? *s : '?');
  return out;
}

TEST(PrintTicketProvider, SchemaVersionOfKnownAndUnknownPrinters) {
  DWORD version = 77;
  EXPECT_EQ(S_OK, PTQuerySchemaVersionSupport(L"RX2P", &version));
  EXPECT_EQ(1u, version);
  version = 77;
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME), PTQuerySchemaVersionSupport(L"No Such Printer", &version));
  EXPECT_EQ(0u, version);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME), PTQuerySchemaVersionSupport(nullptr, &version));
  EXPECT_EQ(E_POINTER, PTQuerySchemaVersionSupport(L"RX2P", nullptr));
}

TEST(PrintTicketProvider, OpeningFollowsTheVersionRulesAndClosingNeedsAnOpenHandle) {
  struct Case {
    const wchar_t* printer;
    DWORD max, preferred;
    HRESULT expected;
  };
  const Case kCases[] = {
      {L"RX1P", 1, 1, S_OK},
      {L"RX3Q", 5, 3, S_OK},
      {L"RX1P", 0, 0, E_INVALIDARG},
      {L"RX1P", 1, 2, E_INVALIDARG},
      {L"rx1p", 1, 1, HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)},
      {nullptr, 1, 1, HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME)},
  };
  for (const auto& c : kCases) {
    HPTPROVIDER provider = kProviderSentinel;
    DWORD used = 77;
    EXPECT_EQ(c.expected, PTOpenProviderEx(c.printer, c.max, c.preferred, &provider, &used)) << c.max << c.preferred;
    if (FAILED(c.expected)) {
      EXPECT_EQ(nullptr, provider);
      EXPECT_EQ(0u, used);
      continue;
    }
    EXPECT_EQ(1u, used);
    EXPECT_EQ(S_OK, PTCloseProvider(provider));
    EXPECT_EQ(E_HANDLE, PTCloseProvider(provider));
  }
  DWORD used = 0;
  EXPECT_EQ(E_POINTER, PTOpenProviderEx(L"RX1P", 1, 1, nullptr, &used));
}

// An open provider of one printer, and merges through it.
class Merge : public ::testing::Test {
 protected:
  void Open(const wchar_t* printer) {
    DWORD used = 0;
    ASSERT_EQ(S_OK, PTOpenProviderEx(printer, 1, 1, &provider_, &used));
  }
  void SetUp() override { Open(L"RX1P"); }
  void TearDown() override { EXPECT_EQ(S_OK, PTCloseProvider(provider_)); }

  // Merges and returns the result ticket's text; hr and message take the outcome.
  std::string Run(const std::string& base, const std::string* delta, EPrintTicketScope scope, HRESULT* hr,
                  std::string* message = nullptr) {
    auto baseStream = StreamOf(base);
    ComPtr<IStream> deltaStream = delta ? StreamOf(*delta) : nullptr;
    auto result = StreamOf("");
    BSTR text = kMessageSentinel;
    *hr = PTMergeAndValidatePrintTicket(provider_, baseStream.get(), deltaStream.get(), scope, result.get(), &text);
    OwnedBstr owned(text == kMessageSentinel ? nullptr : text);
    EXPECT_NE(kMessageSentinel, text);
    if (message) *message = Narrow(text);
    if (SUCCEEDED(*hr)) {
      EXPECT_EQ(nullptr, text);
    }
    return ContentOf(result.get());
  }
  std::string Merged(const std::string& base, const std::string& delta, EPrintTicketScope scope,
                     HRESULT expected = S_PT_NO_CONFLICT) {
    HRESULT hr = E_FAIL;
    const std::string result = Run(base, &delta, scope, &hr);
    EXPECT_EQ(expected, hr);
    return result;
  }
  static bool Has(const std::string& ticket, const std::string& feature, const std::string& option) {
    const size_t at = ticket.find("<psf:Feature name=\"" + feature + "\">");
    if (at == std::string::npos) return false;
    const size_t end = ticket.find("</psf:Feature>", at);
    return ticket.substr(at, end - at).find("<psf:Option name=\"" + option + "\"") != std::string::npos;
  }

  fakes::ComApartment apartment_;
  HPTPROVIDER provider_ = nullptr;
};

TEST_F(Merge, TheDefaultTicketValidatesWithoutConflictAndComesBackUnchanged) {
  const std::string base = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"));
  HRESULT hr = E_FAIL;
  EXPECT_EQ(base, Run(base, nullptr, kPTJobScope, &hr));
  EXPECT_EQ(S_PT_NO_CONFLICT, hr);
}

TEST_F(Merge, ValidationCompletesATicketWithEveryFeatureOfThePrinter) {
  // A ticket without PageMediaSize, QV features, anything private.
  const std::string result = Merged(TicketFixture("no_media.xml"), TicketFixture("delta_page_dither.xml"), kPTPageScope);
  EXPECT_EQ(platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"),
                                       {{"QVDither", "2x2"}, {"QVBright", "forte"}}),
            result);
  EXPECT_TRUE(Has(result, "psk:PageMediaSize", "ns0000:Roll51x102"));
  EXPECT_TRUE(Has(result, "psk:PageOrientation", "psk:Portrait"));
  EXPECT_TRUE(Has(result, "ns0000:QVDither", "ns0000:_2x2"));
  EXPECT_TRUE(Has(result, "ns0000:QVPrintContinuous", "ns0000:N"));
}

TEST_F(Merge, TheResultUsesTheFixedPrefixesWhateverTheInputUsed) {
  const std::string result = Merged(TicketFixture("other_keyword_prefix.xml"), TicketFixture("delta_page_dither.xml"),
                                    kPTPageScope, S_PT_CONFLICT_RESOLVED);  // its resolution option is not offered
  EXPECT_NE(std::string::npos, result.find("xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\""));
  EXPECT_NE(std::string::npos, result.find("xmlns:psk=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemakeywords\""));
  EXPECT_NE(std::string::npos, result.find("xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\""));
  EXPECT_NE(std::string::npos, result.find("xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\""));
  EXPECT_NE(std::string::npos, result.find("xmlns:ns0000=\"urn:kelmoran:brimloft:printer:RX1P\""));
  EXPECT_EQ(std::string::npos, result.find("kw:"));
  EXPECT_TRUE(Has(result, "psk:PageOrientation", "psk:Landscape"));  // found under its kw prefix
}

TEST_F(Merge, EachScopeTakesItsOwnAndNarrowerFeaturesOnly) {
  // The delta carries a job feature (QVPrintContinuous, QVCutType) and a page feature (PageMediaSize).
  const std::string base = TicketFixture("media_2x4.xml");
  const std::string delta = TicketFixture("delta_page_media_and_continuous.xml");
  struct Case {
    EPrintTicketScope scope;
    bool takesJobFeatures;
  };
  for (const Case c : {Case{kPTJobScope, true}, Case{kPTDocumentScope, false}, Case{kPTPageScope, false}}) {
    HRESULT hr = E_FAIL;
    const std::string result = Run(base, &delta, c.scope, &hr);
    EXPECT_EQ(S_PT_NO_CONFLICT, hr);
    EXPECT_TRUE(Has(result, "psk:PageMediaSize", "ns0000:Roll54x102")) << c.scope;
    EXPECT_EQ(c.takesJobFeatures, Has(result, "ns0000:QVPrintContinuous", "ns0000:S")) << c.scope;
    EXPECT_EQ(c.takesJobFeatures, Has(result, "ns0000:QVCutType", "ns0000:P")) << c.scope;
  }
  // A document feature (QVPrintType) reaches document and job scope, not page scope.
  const std::string documentDelta = TicketFixture("delta_document_landscape.xml");
  for (auto scope : {kPTJobScope, kPTDocumentScope, kPTPageScope}) {
    HRESULT hr = E_FAIL;
    const std::string result = Run(platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P")),
                                   &documentDelta, scope, &hr);
    EXPECT_EQ(S_PT_NO_CONFLICT, hr);
    EXPECT_EQ(scope != kPTPageScope, Has(result, "ns0000:QVPrintType", "ns0000:Horizontal")) << scope;
    EXPECT_TRUE(Has(result, "psk:PageOrientation", "psk:Landscape")) << scope;
  }
}

TEST_F(Merge, OptionsThePrinterDoesNotOfferFallBackToItsDefaultsAsAResolvedConflict) {
  const std::string base = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"),
                                                      {{"QVDither", "FloydSteinberg"}, {"PageMediaSize", "Roll54x152"}});
  const std::string result = Merged(base, TicketFixture("delta_unsupported_options.xml"), kPTPageScope,
                                    S_PT_CONFLICT_RESOLVED);
  EXPECT_TRUE(Has(result, "ns0000:QVDither", "ns0000:None"));
  EXPECT_TRUE(Has(result, "psk:PageMediaSize", "ns0000:Roll51x102"));
}

TEST_F(Merge, ACustomMediaSizeKeepsItsParametersWithinThePrintersRanges) {
  // custom_media.xml: 54 mm by 1.2 m under another keywords prefix, with a parameter no printer knows.
  const std::string base = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"));
  std::string custom = TicketFixture("custom_media.xml");
  // Its resolution option is one the printer does not offer; only the size matters here.
  custom.erase(custom.find("  <psf:Feature name=\"k:PageResolution\">"),
               custom.find("</psf:PrintTicket>") - custom.find("  <psf:Feature name=\"k:PageResolution\">"));
  std::string result = Merged(base, custom, kPTPageScope, S_PT_NO_CONFLICT);
  EXPECT_TRUE(Has(result, "psk:PageMediaSize", "psk:CustomMediaSize"));
  EXPECT_NE(std::string::npos, result.find("<psf:ParameterRef name=\"psk:PageMediaSizeMediaSizeHeight\" />"));
  EXPECT_NE(std::string::npos, result.find("<psf:ParameterInit name=\"psk:PageMediaSizeMediaSizeHeight\">\n"
                                           "    <psf:Value xsi:type=\"xsd:integer\">1200000</psf:Value>"));
  EXPECT_EQ(std::string::npos, result.find("SomeOtherParameter"));
  // A width narrower than any roll is out of range: the head's 432 dots instead, a resolved conflict.
  std::string narrow = custom;
  narrow.replace(narrow.find(">54000<"), 7, ">9000<");
  result = Merged(base, narrow, kPTPageScope, S_PT_CONFLICT_RESOLVED);
  EXPECT_NE(std::string::npos, result.find("<psf:Value xsi:type=\"xsd:integer\">54053</psf:Value>"));
  // A fixed size chosen later replaces the custom size and its parameters are no longer written.
  result = Merged(result, TicketFixture("delta_page_media_and_continuous.xml"), kPTPageScope, S_PT_NO_CONFLICT);
  EXPECT_EQ(std::string::npos, result.find("ParameterInit"));
}

TEST_F(Merge, AnUnnamedOptionIsKnownByItsScoredProperties) {
  const std::string base = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"));
  std::string delta = TicketFixture("delta_job_media.xml");
  delta.replace(delta.find(" name=\"ns0000:Roll54x152\""), std::string(" name=\"ns0000:Roll54x152\"").size(), "");
  EXPECT_TRUE(Has(Merged(base, delta, kPTPageScope), "psk:PageMediaSize", "ns0000:Roll54x152"));
  delta.replace(delta.find("152400"), 6, "152401");
  EXPECT_TRUE(Has(Merged(base, delta, kPTPageScope, S_PT_CONFLICT_RESOLVED), "psk:PageMediaSize", "ns0000:Roll51x102"));
}

TEST_F(Merge, ANameMatchesByNamespaceNotByPrefix) {
  // The private namespace of another printer is not this printer's.
  std::string delta = TicketFixture("delta_page_dither.xml");
  const std::string own = "urn:kelmoran:brimloft:printer:RX1P";
  delta.replace(delta.find(own), own.size(), "urn:kelmoran:brimloft:printer:RX3P");
  const std::string result =
      Merged(platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P")), delta, kPTPageScope);
  EXPECT_TRUE(Has(result, "ns0000:QVDither", "ns0000:None"));
}

TEST_F(Merge, MalformedTicketsFailWithTheirFormatErrorAndSayWhatIsWrong) {
  const std::string good = TicketFixture("media_2x4.xml");
  const std::string FW = "xmlns:psf=\"http://schemas.microsoft.com/windows/2003/08/printing/printschemaframework\"";
  struct Case {
    std::string ticket;
    std::string saying;
  };
  const Case kCases[] = {
      {"", "is empty"},
      {TicketFixture("delta_malformed.xml"), "not well-formed XML (line"},
      {"<a/>", "root element a is not the PrintTicket element"},
      {"<psf:PrintTicket " + FW + "/>", "no version attribute"},
      {"<psf:PrintTicket " + FW + " version=\"2\"/>", "version \"2\" is not supported"},
      {"<psf:PrintTicket " + FW + " version=\"1\"><psf:Feature/></psf:PrintTicket>", "Feature element has no name"},
      {"<psf:PrintTicket " + FW + " version=\"1\"><psf:Feature name=\"q:X\"/></psf:PrintTicket>",
       "uses the undeclared prefix q"},
      {"<psf:PrintTicket " + FW + " version=\"1\"><psf:Feature name=\"X\"><psf:Option/><psf:Option/></psf:Feature></psf:PrintTicket>",
       "feature X selects more than one option"},
      {"<psf:PrintTicket " + FW + " version=\"1\"><psf:Feature name=\"X\"/><psf:Feature name=\"X\"/></psf:PrintTicket>",
       "Feature X appears more than once"},
      {"<psf:PrintTicket " + FW + " version=\"1\"><psf:Value/></psf:PrintTicket>", "unexpected element psf:Value"},
  };
  for (const auto& c : kCases) {
    HRESULT hr = S_OK;
    std::string message;
    Run(c.ticket, &good, kPTJobScope, &hr, &message);
    EXPECT_EQ(static_cast<HRESULT>(E_PRINTTICKET_FORMAT), hr) << c.ticket;
    EXPECT_EQ(0u, message.find("The base print ticket is not valid: ")) << message;
    EXPECT_NE(std::string::npos, message.find(c.saying)) << message;

    Run(good, &c.ticket, kPTJobScope, &hr, &message);
    EXPECT_EQ(static_cast<HRESULT>(E_DELTA_PRINTTICKET_FORMAT), hr) << c.ticket;
    EXPECT_EQ(0u, message.find("The delta print ticket is not valid: ")) << message;
    EXPECT_NE(std::string::npos, message.find(c.saying)) << message;
  }
}

TEST_F(Merge, ArgumentsAreChecked) {
  auto base = StreamOf(TicketFixture("media_2x4.xml"));
  auto result = StreamOf("");
  BSTR message = kMessageSentinel;
  EXPECT_EQ(E_POINTER, PTMergeAndValidatePrintTicket(provider_, nullptr, nullptr, kPTJobScope, result.get(), &message));
  EXPECT_EQ(nullptr, message);
  EXPECT_EQ(E_POINTER, PTMergeAndValidatePrintTicket(provider_, base.get(), nullptr, kPTJobScope, nullptr, nullptr));
  EXPECT_EQ(E_HANDLE, PTMergeAndValidatePrintTicket(kProviderSentinel, base.get(), nullptr, kPTJobScope, result.get(),
                                                    nullptr));
  message = kMessageSentinel;
  EXPECT_EQ(E_INVALIDARG, PTMergeAndValidatePrintTicket(provider_, base.get(), nullptr,
                                                        static_cast<EPrintTicketScope>(3), result.get(), &message));
  OwnedBstr owned(message);
  EXPECT_EQ("The scope is not one of page, document and job.", Narrow(message));
  EXPECT_EQ("", ContentOf(result.get()));
}

TEST_F(Merge, TicketsAreReadFromTheirPositionAndTheResultWrittenAtItsPosition) {
  const std::string ticket = TicketFixture("media_2x4.xml");
  auto base = StreamOf("JUNK" + ticket);
  LARGE_INTEGER four;
  four.QuadPart = 4;
  ASSERT_EQ(S_OK, base->Seek(four, STREAM_SEEK_SET, nullptr));
  auto result = StreamOf("HEAD");
  ASSERT_EQ(S_OK, result->Seek(four, STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(S_PT_NO_CONFLICT,
            PTMergeAndValidatePrintTicket(provider_, base.get(), nullptr, kPTPageScope, result.get(), nullptr));
  const std::string written = ContentOf(result.get());
  EXPECT_EQ(0u, written.find("HEAD<?xml"));
}

}  // namespace
}  // namespace brimloft
