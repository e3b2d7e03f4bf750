#include "printticket/ticket_test_support.h"

#include <platform/thread_token.h>

#include "fakes/trace_capture.h"
#include "module/SafeHPTProvider.h"

namespace brimloft::testing {
namespace {

namespace token = platform::thread_token;
using fakes::TraceCapture;

const HANDLE kToken = reinterpret_cast<HANDLE>(kUserToken);
const std::wstring kRevertText = L"Failed to revert thread security context.";

class ProviderImpersonation : public TicketJob {
 protected:
  void TearDown() override {
    token::EndScript();
    EXPECT_EQ(nullptr, token::Current()) << "impersonation left behind";
  }
  // Runs a merge of the user ticket with delta at page scope through a new provider.
  HRESULT Merge(SafeHPTProvider& provider, const std::string& delta) {
    auto base = fakes::StreamOf(userTicket_);
    auto changes = fakes::StreamOf(delta);
    auto result = fakes::StreamOf("");
    return Raised([&] { provider.MergeAndValidate(base.get(), changes.get(), result.get(), kPTPageScope); });
  }
  std::unique_ptr<SafeHPTProvider> Open(const wchar_t* printer = L"RX1P") {
    std::unique_ptr<SafeHPTProvider> provider;
    EXPECT_EQ(S_OK, Raised([&] { provider = std::make_unique<SafeHPTProvider>(printer, kToken); }));
    return provider;
  }
  // The failure records' texts, in order.
  static std::vector<std::wstring> FailureTexts(const TraceCapture& capture) {
    std::vector<std::wstring> texts;
    for (const auto& record : capture.Of(TraceUnit::trace_failure)) texts.push_back(TraceCapture::Wide(record.arguments.at(3)));
    return texts;
  }
};

TEST_F(ProviderImpersonation, EveryProviderCallRunsAsTheUserAndIsRevertedAfter) {
  auto provider = Open();
  EXPECT_EQ(kToken, token::SeenByLastPrintTicketCall());
  EXPECT_EQ(nullptr, token::Current());
  token::NotePrintTicketCall();  // forget
  EXPECT_EQ(S_OK, Merge(*provider, fakes::TicketFixture("delta_page_dither.xml")));
  EXPECT_EQ(kToken, token::SeenByLastPrintTicketCall());
  EXPECT_EQ(nullptr, token::Current());
}

TEST_F(ProviderImpersonation, ARejectedMergeIsRevertedAndItsMessageReachesTheFailureTrace) {
  auto provider = Open();
  TraceCapture capture;
  EXPECT_EQ(static_cast<HRESULT>(E_DELTA_PRINTTICKET_FORMAT), Merge(*provider, fakes::TicketFixture("delta_malformed.xml")));
  EXPECT_EQ(nullptr, token::Current());
  const auto failures = capture.Of(TraceUnit::trace_failure);
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(static_cast<int>(E_DELTA_PRINTTICKET_FORMAT), TraceCapture::Int(failures[0].arguments.at(0)));
  EXPECT_EQ("filtertypes", TraceCapture::Narrow(failures[0].arguments.at(1)));
  EXPECT_EQ(0u, TraceCapture::Wide(failures[0].arguments.at(3)).find(L"The delta print ticket is not valid: the print ticket is not well-formed XML"));
  const auto thrown = capture.Of(TraceUnit::throw_hr);
  ASSERT_EQ(1u, thrown.size());
  EXPECT_EQ(static_cast<int>(E_DELTA_PRINTTICKET_FORMAT), TraceCapture::Int(thrown[0].arguments.at(2)));
}

TEST_F(ProviderImpersonation, OpeningAnUnknownPrinterFailsAndIsReverted) {
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME),
            Raised([&] { SafeHPTProvider provider(L"Nowhere", kToken); }));
  EXPECT_EQ(kToken, token::SeenByLastPrintTicketCall());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME), Raised([&] { SafeHPTProvider provider(nullptr, kToken); }));
}

TEST_F(ProviderImpersonation, ImpersonationThatCannotStartRaisesTheSystemErrorBeforeAnyProviderCall) {
  auto provider = Open();
  token::NotePrintTicketCall();
  const HANDLE marker = reinterpret_cast<HANDLE>(0x1);
  ASSERT_TRUE(SetThreadToken(nullptr, marker));
  token::NotePrintTicketCall();  // SeenBy = marker: changes only if the provider is called
  ASSERT_TRUE(SetThreadToken(nullptr, nullptr));

  token::ScriptCalls({ERROR_ACCESS_DENIED});
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), Merge(*provider, fakes::TicketFixture("delta_page_dither.xml")));
  EXPECT_EQ(1, token::EndScript());  // no revert: nothing was started
  EXPECT_EQ(marker, token::SeenByLastPrintTicketCall());

  token::ScriptCalls({ERROR_ACCESS_DENIED});
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), Raised([&] { SafeHPTProvider failing(L"RX1P", kToken); }));
  EXPECT_EQ(1, token::EndScript());
  EXPECT_EQ(marker, token::SeenByLastPrintTicketCall());
}

TEST_F(ProviderImpersonation, AFailureWithoutSystemErrorGoesOnUnimpersonated) {
  auto provider = Open();
  token::ScriptCalls({0});
  EXPECT_EQ(S_OK, Merge(*provider, fakes::TicketFixture("delta_page_dither.xml")));
  EXPECT_EQ(2, token::EndScript());  // the revert still runs
  EXPECT_EQ(nullptr, token::SeenByLastPrintTicketCall());
}

TEST_F(ProviderImpersonation, AFailedRevertIsTracedNeverRaisedAndHidesNoError) {
  auto provider = Open();
  TraceCapture capture;
  token::ScriptCalls({token::kSucceed, ERROR_INVALID_HANDLE});
  EXPECT_EQ(S_OK, Merge(*provider, fakes::TicketFixture("delta_page_dither.xml")));
  EXPECT_EQ(std::vector<std::wstring>{kRevertText}, FailureTexts(capture));
  SetThreadToken(nullptr, nullptr);  // the scripted failure left the token set

  token::ScriptCalls({token::kSucceed, ERROR_INVALID_HANDLE});
  EXPECT_EQ(static_cast<HRESULT>(E_DELTA_PRINTTICKET_FORMAT), Merge(*provider, "<broken"));
  const auto texts = FailureTexts(capture);
  ASSERT_EQ(3u, texts.size());
  EXPECT_EQ(0u, texts[1].find(L"The delta print ticket is not valid"));
  EXPECT_EQ(kRevertText, texts[2]);
  SetThreadToken(nullptr, nullptr);

  token::ScriptCalls({token::kSucceed, ERROR_INVALID_HANDLE});
  std::unique_ptr<SafeHPTProvider> second;
  EXPECT_EQ(S_OK, Raised([&] { second = std::make_unique<SafeHPTProvider>(L"RX1P", kToken); }));
  EXPECT_EQ(kRevertText, FailureTexts(capture).back());
  SetThreadToken(nullptr, nullptr);
}

TEST_F(ProviderImpersonation, TheHandlerOpensItsProviderAsTheJobUser) {
  auto handler = Handler();
  EXPECT_EQ(kToken, token::SeenByLastPrintTicketCall());
  auto sequence = fakes::Make<fakes::FakeSequence>(FixturePart("delta_malformed.xml"));
  token::NotePrintTicketCall();
  EXPECT_EQ(static_cast<HRESULT>(E_DELTA_PRINTTICKET_FORMAT), Raised([&] { handler->MergeJobTicket(sequence.get()); }));
  EXPECT_EQ(kToken, token::SeenByLastPrintTicketCall());
}

}  // namespace
}  // namespace brimloft::testing
