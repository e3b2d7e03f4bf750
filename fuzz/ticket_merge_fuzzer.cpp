// The ticket provider's merge and validation on arbitrary tickets: the input is the delta merged
// onto the printer's default ticket, or the base that the default is merged onto. A success writes
// a ticket that the DOM loads again and that merges cleanly onto itself; a failure writes nothing.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include <msxml2.h>
#include <oleauto.h>
#include <prntvpt.h>

#include <platform/printer_description.h>

#include "fakes/memory_stream.h"
#include "fuzz/fuzz_support.h"

using namespace brimloft;

namespace {

HPTPROVIDER Provider() {
  static HPTPROVIDER provider = [] {
    HPTPROVIDER opened = nullptr;
    DWORD version = 0;
    if (FAILED(PTOpenProviderEx(L"RX2P", 1, 1, &opened, &version))) std::abort();
    return opened;
  }();
  return provider;
}

struct Merged {
  HRESULT hr;
  std::string ticket;
};

Merged Merge(const std::string& base, const std::string& delta, EPrintTicketScope scope) {
  ComPtr<IStream> result = fakes::StreamOf("");
  BSTR message = nullptr;
  const HRESULT hr = PTMergeAndValidatePrintTicket(Provider(), fakes::StreamOf(base).get(),
                                                   fakes::StreamOf(delta).get(), scope, result.get(), &message);
  // A failure explains itself; a success carries no message.
  if (FAILED(hr) != (message != nullptr)) std::abort();
  SysFreeString(message);
  return {hr, fakes::ContentOf(result.get())};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::SetUpProcess();
  static const std::string kDefault = platform::DefaultTicketXml(platform::BuiltInPrinterDescription("RX2P"));
  fuzz::InputReader input(data, size);
  const auto scope = static_cast<EPrintTicketScope>(input.Choice(3));
  const bool inputIsDelta = input.Byte() & 1;
  const std::string ticket = input.Rest();

  const Merged merged = inputIsDelta ? Merge(kDefault, ticket, scope) : Merge(ticket, kDefault, scope);
  if (FAILED(merged.hr)) {
    if (!merged.ticket.empty()) std::abort();
    return 0;
  }
  if (merged.hr != S_PT_NO_CONFLICT && merged.hr != S_PT_CONFLICT_RESOLVED) std::abort();
  // What the provider writes, it reads: merging the result onto itself is clean and changes nothing.
  const Merged again = Merge(merged.ticket, merged.ticket, kPTJobScope);
  if (again.hr != S_PT_NO_CONFLICT || again.ticket != merged.ticket) std::abort();
  return 0;
}
