// What the ticket handler's tests share: a job's property bag, tickets as parts, and the snapshot.
#ifndef BRIMLOFT_TESTS_PRINTTICKET_TICKET_TEST_SUPPORT_H
#define BRIMLOFT_TESTS_PRINTTICKET_TICKET_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <platform/printer_description.h>

#include "fakes/com_apartment.h"
#include "fakes/fake_pipeline.h"
#include "fakes/memory_stream.h"
#include "fakes/scratch_folder.h"
#include "module/filtertypes.h"
#include "printticket/PThandler.h"
#include "printticket/TicketSnapshotPath.h"

#include <functional>
#include <memory>
#include <string>

namespace brimloft::testing {

constexpr LONGLONG kUserToken = 0x7700;

inline HRESULT Raised(const std::function<void()>& work) {
  try {
    work();
  } catch (const hr_error& e) {
    return e.hr;
  }
  return S_OK;
}

inline ComPtr<IPartPrintTicket> TicketPart(const std::string& bytes) {
  return ComPtr<IPartPrintTicket>(fakes::Make<fakes::FakePrintTicket>(bytes).get());
}
inline ComPtr<IPartPrintTicket> FixturePart(const std::string& name) {
  return TicketPart(fakes::TicketFixture(name));
}

// A job of printer RX1P whose user default ticket is the printer's default, and whose snapshot
// goes to a folder of its own.
class TicketJob : public ::testing::Test {
 protected:
  explicit TicketJob(const std::string& folderName = "temp") : folder_(folderName), temp_(folder_.path()) {}

  void SetUp() override { bag_->SetTicketSource(userTicket_, L"RX1P", kUserToken); }

  std::unique_ptr<PThandler> Handler() {
    std::unique_ptr<PThandler> handler;
    const HRESULT hr = Raised([&] { handler = PThandler::Create(bag_.get()); });
    EXPECT_EQ(S_OK, hr);
    return handler;
  }

  PageSettings Settings(PThandler& handler) {
    PageSettings settings;
    EXPECT_EQ(S_OK, Raised([&] { handler.GetPageSettings(settings); }));
    return settings;
  }
  std::string Snapshot() { return fakes::ReadFileBytes(GetTicketSnapshotPath()); }

  static bool Selects(const std::string& ticket, const std::string& feature, const std::string& option) {
    const size_t at = ticket.find("<psf:Feature name=\"" + feature + "\">");
    if (at == std::string::npos) return false;
    const size_t end = ticket.find("</psf:Feature>", at);
    return ticket.substr(at, end - at).find("<psf:Option name=\"" + option + "\"") != std::string::npos;
  }

  fakes::ComApartment apartment_;
  fakes::ScratchFolder folder_;
  fakes::TempFolderOverride temp_;
  std::string userTicket_ = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"));
  ComPtr<fakes::FakePropertyBag> bag_ = fakes::Make<fakes::FakePropertyBag>();
};

}  // namespace brimloft::testing

#endif
