#include "printticket/ticket_test_support.h"

#include <platform/thread_token.h>

namespace brimloft::testing {
namespace {

using fakes::FakeDocument;
using fakes::FakePage;
using fakes::FakeSequence;
using fakes::Make;

// Width of the 54 mm roll in 1/96 inch.
constexpr float k54mm = 54000.0f / 25400.0f * 96.0f;

class TicketLevels : public TicketJob {
 protected:
  void Sequence(PThandler& h, ComPtr<IPartPrintTicket> ticket = nullptr) {
    auto part = Make<FakeSequence>(std::move(ticket));
    ASSERT_EQ(S_OK, Raised([&] { h.MergeJobTicket(part.get()); }));
  }
  void Document(PThandler& h, ComPtr<IPartPrintTicket> ticket = nullptr) {
    auto part = Make<FakeDocument>(std::move(ticket));
    ASSERT_EQ(S_OK, Raised([&] { h.MergeDocumentTicket(part.get()); }));
  }
  // Merges a page and returns its settings; the snapshot then holds its ticket.
  PageSettings Page(PThandler& h, ComPtr<IPartPrintTicket> ticket = nullptr) {
    auto part = Make<FakePage>(std::move(ticket));
    EXPECT_EQ(S_OK, Raised([&] { h.MergePageTicket(part.get()); }));
    return Settings(h);
  }
  static void ExpectSize(const PageSettings& s, float width, float height) {
    EXPECT_FLOAT_EQ(width, s.pageSize.width);
    EXPECT_FLOAT_EQ(height, s.pageSize.height);
  }
};

TEST_F(TicketLevels, WithoutTicketsEveryLevelSharesTheUserTicketAsItIs) {
  // The user ticket is used as it stands, never validated: a private resolution stays unread.
  userTicket_ = fakes::TicketFixture("width_only.xml");
  bag_->SetTicketSource(userTicket_, L"RX1P", kUserToken);
  auto h = Handler();
  Sequence(*h);
  Document(*h);
  const auto settings = Page(*h);
  ExpectSize(settings, 192.0f, 816.0f);
  EXPECT_EQ(std::string::npos, Snapshot().find("QVDither"));  // not completed by the provider
}

TEST_F(TicketLevels, TicketsAtEveryLevelMergeJobThenDocumentThenPage) {
  auto h = Handler();
  Sequence(*h, FixturePart("delta_job_media.xml"));
  Document(*h, FixturePart("delta_document_landscape.xml"));
  const auto settings = Page(*h, FixturePart("delta_page_dither.xml"));
  ExpectSize(settings, 576.0f, k54mm);  // 54 x 152 mm roll, landscape
  const std::string snapshot = Snapshot();
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVPrintContinuous", "ns0000:S"));  // job
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVPrintType", "ns0000:Horizontal"));  // document
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVDither", "ns0000:_2x2"));  // page
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVBright", "ns0000:forte"));
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVCutType", "ns0000:T"));  // completed with the default
}

TEST_F(TicketLevels, ASecondDocumentsPagesMergeOntoItsOwnTicket) {
  auto h = Handler();
  Sequence(*h);
  Document(*h, FixturePart("delta_document_landscape.xml"));
  ExpectSize(Page(*h), 384.0f, 192.0f);
  // At document scope the job feature QVPrintContinuous of this ticket is left out.
  Document(*h, FixturePart("delta_page_media_and_continuous.xml"));
  ExpectSize(Page(*h), k54mm, 384.0f);
  ExpectSize(Page(*h, FixturePart("delta_page_dither.xml")), k54mm, 384.0f);
  const std::string snapshot = Snapshot();
  EXPECT_TRUE(Selects(snapshot, "psk:PageOrientation", "psk:Portrait"));
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVPrintType", "ns0000:Vertical"));
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVPrintContinuous", "ns0000:N"));
}

TEST_F(TicketLevels, ASequenceTicketAfterPagesClearsTheDocumentAndPageLevels) {
  auto h = Handler();
  Sequence(*h);
  Document(*h, FixturePart("delta_document_landscape.xml"));
  ExpectSize(Page(*h), 384.0f, 192.0f);
  Sequence(*h, FixturePart("delta_job_media.xml"));
  PageSettings settings;
  EXPECT_EQ(E_FAIL, Raised([&] { h->GetPageSettings(settings); }));  // no page level any more
  Document(*h);
  ExpectSize(Page(*h), k54mm, 576.0f);  // the new job ticket, portrait again
}

TEST_F(TicketLevels, APageWithoutTicketAfterOneWithSharesTheDocumentTicket) {
  auto h = Handler();
  Sequence(*h);
  Document(*h, FixturePart("delta_document_landscape.xml"));
  Page(*h, FixturePart("delta_page_dither.xml"));
  EXPECT_TRUE(Selects(Snapshot(), "ns0000:QVDither", "ns0000:_2x2"));
  ExpectSize(Page(*h), 384.0f, 192.0f);
  const std::string snapshot = Snapshot();
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVDither", "ns0000:None"));
  EXPECT_TRUE(Selects(snapshot, "ns0000:QVPrintType", "ns0000:Horizontal"));
}

TEST_F(TicketLevels, APartWithATicketButNoLevelAboveNeverMergesOntoNothing) {
  auto h = Handler();
  auto document = Make<FakeDocument>(FixturePart("delta_document_landscape.xml"));
  EXPECT_EQ(E_UNEXPECTED, Raised([&] { h->MergeDocumentTicket(document.get()); }));
  auto page = Make<FakePage>(FixturePart("delta_page_dither.xml"));
  EXPECT_EQ(E_UNEXPECTED, Raised([&] { h->MergePageTicket(page.get()); }));
  // Without tickets the empty levels are shared, and reading settings says there is no ticket.
  auto plainPage = Make<FakePage>();
  EXPECT_EQ(S_OK, Raised([&] { h->MergePageTicket(plainPage.get()); }));
  PageSettings settings;
  EXPECT_EQ(E_FAIL, Raised([&] { h->GetPageSettings(settings); }));
}

TEST_F(TicketLevels, FailuresOfPartsAndOfTheProviderAreRaised) {
  auto h = Handler();
  auto refusing = Make<FakeSequence>();
  refusing->failure = E_ACCESSDENIED;
  EXPECT_EQ(E_ACCESSDENIED, Raised([&] { h->MergeJobTicket(refusing.get()); }));
  auto unreadable = fakes::Make<fakes::FakePrintTicket>("ignored");
  unreadable->getStreamFailure = STG_E_ACCESSDENIED;
  auto sequence = Make<FakeSequence>(ComPtr<IPartPrintTicket>(unreadable.get()));
  EXPECT_EQ(STG_E_ACCESSDENIED, Raised([&] { h->MergeJobTicket(sequence.get()); }));
  auto malformed = Make<FakeSequence>(FixturePart("delta_malformed.xml"));
  EXPECT_EQ(static_cast<HRESULT>(E_DELTA_PRINTTICKET_FORMAT), Raised([&] { h->MergeJobTicket(malformed.get()); }));
  // An empty ticket part is copied as it is and left to the provider to judge.
  auto empty = Make<FakeSequence>(TicketPart(""));
  EXPECT_EQ(static_cast<HRESULT>(E_DELTA_PRINTTICKET_FORMAT), Raised([&] { h->MergeJobTicket(empty.get()); }));
}

TEST_F(TicketLevels, EachTicketPartIsReadOnce) {
  auto h = Handler();
  auto ticket = fakes::Make<fakes::FakePrintTicket>(fakes::TicketFixture("delta_job_media.xml"));
  Sequence(*h, ComPtr<IPartPrintTicket>(ticket.get()));
  EXPECT_EQ(1, ticket->streamsHandedOut);
}

}  // namespace
}  // namespace brimloft::testing
