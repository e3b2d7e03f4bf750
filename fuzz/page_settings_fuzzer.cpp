// Page settings from arbitrary tickets, the input either the user's default ticket (read as it is)
// or the page's own ticket (merged and validated first). Reading either fills every field with
// sane values and saves the snapshot, or fails with an HRESULT.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <platform/printer_description.h>

#include "fakes/fake_pipeline.h"
#include "fuzz/fuzz_support.h"
#include "module/filtertypes.h"
#include "printticket/PThandler.h"

using namespace brimloft;

namespace {

bool Sane(float value) { return std::isfinite(value) && value > 0; }

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SetUpProcess();
  static const std::string kDefault = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX1P"));
  fuzz::InputReader input(data, size);
  const bool inputIsPageTicket = input.Byte() & 1;
  const std::string ticket = input.Rest();

  auto bag = fakes::Make<fakes::FakeJobPropertyBag>();
  bag->SetTicketSource(inputIsPageTicket ? kDefault : ticket, L"RX1P", 0x7700);
  ComPtr<IPartPrintTicket> pageTicket;
  if (inputIsPageTicket) pageTicket = ComPtr<IPartPrintTicket>(fakes::Make<fakes::FakePrintTicket>(ticket).get());

  PageSettings settings;
  try {
    auto handler = PThandler::Create(bag.get());
    handler->MergeJobTicket(fakes::Make<fakes::FakeSequence>().get());
    handler->MergeDocumentTicket(fakes::Make<fakes::FakeDocument>().get());
    handler->MergePageTicket(fakes::Make<fakes::FakePage>(pageTicket).get());
    handler->GetPageSettings(settings);
  } catch (const hr_error& e) {
    if (SUCCEEDED(e.hr)) std::abort();
    return 0;
  }
  if (!Sane(settings.pageSize.width) || !Sane(settings.pageSize.height) || !Sane(settings.resolution) ||
      settings.fitMode != 1 || settings.targetRect.x != 0 || settings.targetRect.y != 0 ||
      settings.targetRect.width != settings.pageSize.width || settings.targetRect.height != settings.pageSize.height) {
    std::abort();
  }
  return 0;
}
