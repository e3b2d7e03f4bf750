#include "printticket/ticket_test_support.h"

#include <comdef.h>

namespace brimloft::testing {
namespace {

class HandlerCreation : public TicketJob {
 protected:
  HRESULT Create() {
    try {
      auto handler = PThandler::Create(bag_.get());
      return handler ? S_OK : E_POINTER;
    } catch (const hr_error& e) {
      return e.hr;
    } catch (const _com_error& e) {
      return e.Error();
    }
  }
};

TEST_F(HandlerCreation, FailsWithTheHResultOfWhatIsMissingOrWrong) {
  EXPECT_EQ(S_OK, Create());

  bag_->DeleteProperty(L"UserSecurityToken");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), Create());
  SetUp();
  bag_->DeleteProperty(L"PrinterName");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), Create());
  SetUp();
  bag_->DeleteProperty(L"PerUserPrintTicket");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_NOT_FOUND), Create());
}

TEST_F(HandlerCreation, TheUserTicketMustBeAStreamFactory) {
  bag_->Set(L"PerUserPrintTicket", _variant_t(42L));  // a number is never taken as a pointer
  EXPECT_EQ(E_INVALIDARG, Create());
  _variant_t nothing;
  nothing.vt = VT_UNKNOWN;
  nothing.punkVal = nullptr;
  bag_->Set(L"PerUserPrintTicket", nothing);
  EXPECT_EQ(E_INVALIDARG, Create());
  auto notAFactory = fakes::Make<fakes::FakeReadStream>("x");
  bag_->Set(L"PerUserPrintTicket", _variant_t(static_cast<IUnknown*>(notAFactory.get())));
  EXPECT_EQ(E_NOINTERFACE, Create());
}

TEST_F(HandlerCreation, ThePrinterNameDecidesTheProvider) {
  bag_->Set(L"PrinterName", _variant_t(L"Unknown Printer"));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME), Create());
  bag_->Set(L"PrinterName", _variant_t());  // no name: the provider answers
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME), Create());
  bag_->Set(L"PrinterName", _variant_t(7L));
  EXPECT_EQ(E_INVALIDARG, Create());
  bag_->Set(L"PrinterName", _variant_t(L"RX3Q"));
  EXPECT_EQ(S_OK, Create());
}

}  // namespace
}  // namespace brimloft::testing
