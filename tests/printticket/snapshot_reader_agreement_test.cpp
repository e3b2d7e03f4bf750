// The ticket the provider merged and the handler saved is what the printer output reads back.
#include "printticket/ticket_test_support.h"

#include "fakes/printer_fakes.h"
#include "printer/BrimloftBitmapHandler.h"

namespace brimloft::testing {
namespace {

class SnapshotAgreement : public TicketJob {};

TEST_F(SnapshotAgreement, TheOptionReaderFindsTheMergedPageTicket) {
  auto handler = Handler();
  auto sequence = fakes::Make<fakes::FakeSequence>(FixturePart("delta_job_media.xml"));
  auto document = fakes::Make<fakes::FakeDocument>(FixturePart("delta_document_landscape.xml"));
  auto page = fakes::Make<fakes::FakePage>(FixturePart("delta_page_dither.xml"));
  handler->MergeJobTicket(sequence.get());
  handler->MergeDocumentTicket(document.get());
  handler->MergePageTicket(page.get());
  PageSettings settings;
  handler->GetPageSettings(settings);

  auto output = fakes::Make<fakes::FakeWriteStream>();
  auto printer = BrimloftBitmapHandler::Create("RX1P", bag_.get(), output.get());  // no core helper: no seeds
  printer->ReadTicketOptions();
  EXPECT_EQ("Landscape", printer->LookupOption("PageOrientation"));
  // Private features keep their prefix as keys; their options lose the prefix and the underscore.
  EXPECT_EQ("2x2", printer->LookupOption("ns0000:QVDither"));
  EXPECT_EQ("forte", printer->LookupOption("ns0000:QVBright"));
  EXPECT_EQ("S", printer->LookupOption("ns0000:QVPrintContinuous"));
  EXPECT_EQ("Horizontal", printer->LookupOption("ns0000:QVPrintType"));
  EXPECT_EQ("T", printer->LookupOption("ns0000:QVCutType"));
  EXPECT_EQ("Roll54x152", printer->LookupOption("PageMediaSize"));
  EXPECT_EQ("Resolution203", printer->LookupOption("PageResolution"));
  EXPECT_EQ("RX1P", printer->LookupOption("printer"));
}

}  // namespace
}  // namespace brimloft::testing
