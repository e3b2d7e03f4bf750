// The host's job as the print-ticket handler reads it: the property bag's user ticket, printer
// name and token open the provider, and the parts' tickets merge level by level.
#include <gtest/gtest.h>

#include "fakes/com_apartment.h"
#include "host/package/package_writer.h"
#include "host/pipeline/job.h"
#include "host_test_util.h"
#include "module/filtertypes.h"
#include "printticket/PThandler.h"


namespace {

using brimloft::ComPtr;

// Feeds every part of the job to the handler in reading order; returns the page settings.
std::vector<brimloft::PageSettings> WalkJob(host::Job& job) {
  auto handler = brimloft::PThandler::Create(job.PropertyBag());
  std::vector<brimloft::PageSettings> pages;
  for (;;) {
    IUnknown* raw = nullptr;
    EXPECT_EQ(job.Reader().GetXpsPart(&raw), S_OK);
    if (raw == nullptr) break;
    auto part = ComPtr<IUnknown>::Attach(raw);
    ComPtr<IFixedPage> page;
    ComPtr<IFixedDocument> doc;
    ComPtr<IFixedDocumentSequence> seq;
    if (SUCCEEDED(part->QueryInterface(IID_IFixedPage, page.put_void()))) {
      handler->MergePageTicket(page.get());
      pages.emplace_back();
      handler->GetPageSettings(pages.back());
    } else if (SUCCEEDED(part->QueryInterface(IID_IFixedDocument, doc.put_void()))) {
      handler->MergeDocumentTicket(doc.get());
    } else if (SUCCEEDED(part->QueryInterface(IID_IFixedDocumentSequence, seq.put_void()))) {
      handler->MergeJobTicket(seq.get());
    }
  }
  return pages;
}

bool Landscape(const brimloft::PageSettings& s) { return s.pageSize.width > s.pageSize.height; }

TEST(HostTickets, TicketsOnEveryLevelMergeIntoThePages) {
  brimloft::fakes::ComApartment apartment;
  host_test::ScratchDir dir;
  host::PackOptions options;
  options.extraParts = {{"/Resources/Fonts/0B3C5D1E-2F40-4A6B-8C9D-0E1F2A3B4C5D.odttf", host_test::kSansFont}};
  host::PackFolder(host_test::ExampleFolder("two-documents"), dir.File("two.xps"), options);
  // A fixed sheet, so that a landscape page shows as a sheet wider than tall.
  host::Job job(dir.File("two.xps"), {"RX2P", {{"PageMediaSize", "Roll72x102"}}, {}}, ComPtr<IPrintWriteStream>());
  std::vector<brimloft::PageSettings> pages;
  try {
    pages = WalkJob(job);
  } catch (const brimloft::hr_error& e) {
    FAIL() << "hr_error " << std::hex << e.hr;
  }
  ASSERT_EQ(pages.size(), 4u);
  // Only the second page of the first document carries a landscape ticket.
  EXPECT_FALSE(Landscape(pages[0]));
  EXPECT_TRUE(Landscape(pages[1]));
  EXPECT_FALSE(Landscape(pages[2]));
  EXPECT_FALSE(Landscape(pages[3]));
}

TEST(HostTickets, JobOptionsReachTheUserTicket) {
  brimloft::fakes::ComApartment apartment;
  host::JobSettings settings;
  settings.options = {{"PageOrientation", "Landscape"}};
  host::Job job(host_test::SamplePath("testPPT.xps"), settings, ComPtr<IPrintWriteStream>());
  std::vector<brimloft::PageSettings> pages;
  try {
    pages = WalkJob(job);
  } catch (const brimloft::hr_error& e) {
    FAIL() << "hr_error " << std::hex << e.hr;
  }
  ASSERT_EQ(pages.size(), 3u);
  for (const auto& p : pages) EXPECT_TRUE(Landscape(p));
}

}  // namespace
