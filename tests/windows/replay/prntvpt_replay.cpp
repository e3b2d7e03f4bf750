// The test host's prntvpt.dll. The project's Print Ticket substitute is built on libxml2, which has
// no MinGW build here, so the calls are answered with what the substitute answered the Linux
// build's filter, in order, after checking that the Windows build hands over the same arguments,
// the tickets byte for byte. Wine's own prntvpt merges only through a configured printer, drops
// private features and renames roll sizes, so it cannot stand in.
#include <windows.h>
#include <objbase.h>
#include <prntvpt.h>

#include <string>

#include "replay/ticket_replay.h"

namespace {

using brimloft::jobrecord::Bytes;
using brimloft::jobrecord::TicketCall;
using brimloft::jobrecord::TicketOp;

brimloft::replay::TicketReplay* g_replay = nullptr;
const HPTPROVIDER kProvider = reinterpret_cast<HPTPROVIDER>(static_cast<ULONG_PTR>(0x7071));

const char* OpName(TicketOp op) {
  switch (op) {
    case TicketOp::QuerySchemaVersion: return "PTQuerySchemaVersionSupport";
    case TicketOp::OpenProvider: return "PTOpenProviderEx";
    case TicketOp::CloseProvider: return "PTCloseProvider";
    case TicketOp::Merge: return "PTMergeAndValidatePrintTicket";
  }
  return "?";
}

void Problem(const std::string& text) {
  if (g_replay && g_replay->problem) g_replay->problem(text.c_str());
}

// The next recorded call, when it is of this kind; null (and a problem reported) otherwise.
const TicketCall* Next(TicketOp op) {
  if (g_replay == nullptr || g_replay->calls == nullptr) return nullptr;
  const std::string number = "Print Ticket call " + std::to_string(g_replay->next + 1) + ": ";
  if (g_replay->next >= g_replay->calls->size()) {
    Problem(number + OpName(op) + ", after the last call the Linux build's filter made");
    return nullptr;
  }
  const TicketCall& call = (*g_replay->calls)[g_replay->next++];
  if (call.op != op) {
    Problem(number + OpName(op) + " where the Linux build's filter called " + OpName(call.op));
    return nullptr;
  }
  return &call;
}

std::string Narrow(PCWSTR wide) {
  std::string text;
  for (; wide != nullptr && *wide; ++wide) text += *wide < 0x80 ? static_cast<char>(*wide) : '?';
  return text;
}

Bytes ReadRest(IStream* stream) {
  Bytes bytes;
  unsigned char buffer[65536];
  for (ULONG read = 0; stream != nullptr && SUCCEEDED(stream->Read(buffer, sizeof buffer, &read)) && read != 0;)
    bytes.insert(bytes.end(), buffer, buffer + read);
  return bytes;
}

std::string FirstDifference(const Bytes& got, const Bytes& want) {
  std::size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  return std::to_string(got.size()) + " bytes where the Linux build's had " + std::to_string(want.size()) +
         ", first differing at byte " + std::to_string(i);
}

}  // namespace

extern "C" {

__declspec(dllexport) void BrimloftSetTicketReplay(brimloft::replay::TicketReplay* replay) { g_replay = replay; }

HRESULT WINAPI PTQuerySchemaVersionSupport(PCWSTR printer, DWORD* maxVersion) {
  const TicketCall* call = Next(TicketOp::QuerySchemaVersion);
  if (call == nullptr) return E_UNEXPECTED;
  if (Narrow(printer) != call->printer) Problem("PTQuerySchemaVersionSupport for printer " + Narrow(printer));
  if (maxVersion == nullptr) return E_POINTER;
  *maxVersion = call->answeredVersion;
  return static_cast<HRESULT>(call->hr);
}

HRESULT WINAPI PTOpenProviderEx(PCWSTR printer, DWORD maxVersion, DWORD preferredVersion, HPTPROVIDER* provider,
                                DWORD* usedVersion) {
  const TicketCall* call = Next(TicketOp::OpenProvider);
  if (call == nullptr) return E_UNEXPECTED;
  if (Narrow(printer) != call->printer || maxVersion != call->maxVersion || preferredVersion != call->preferredVersion)
    Problem("PTOpenProviderEx(" + Narrow(printer) + ", " + std::to_string(maxVersion) + ", " +
            std::to_string(preferredVersion) + ") where the Linux build's filter asked (" + call->printer + ", " +
            std::to_string(call->maxVersion) + ", " + std::to_string(call->preferredVersion) + ")");
  if (provider == nullptr || usedVersion == nullptr) return E_POINTER;
  *provider = SUCCEEDED(static_cast<HRESULT>(call->hr)) ? kProvider : nullptr;
  *usedVersion = call->answeredVersion;
  return static_cast<HRESULT>(call->hr);
}

HRESULT WINAPI PTCloseProvider(HPTPROVIDER provider) {
  const TicketCall* call = Next(TicketOp::CloseProvider);
  if (call == nullptr) return E_UNEXPECTED;
  if (provider != kProvider) Problem("PTCloseProvider for a handle PTOpenProviderEx never gave");
  return static_cast<HRESULT>(call->hr);
}

HRESULT WINAPI PTMergeAndValidatePrintTicket(HPTPROVIDER provider, IStream* base, IStream* delta,
                                             EPrintTicketScope scope, IStream* result, BSTR* message) {
  if (message != nullptr) *message = nullptr;
  const TicketCall* call = Next(TicketOp::Merge);
  if (call == nullptr) return E_UNEXPECTED;
  const std::string where = "ticket merge " + std::to_string(g_replay->next) + ": ";
  if (provider != kProvider) Problem(where + "a handle PTOpenProviderEx never gave");
  if (static_cast<std::uint32_t>(scope) != call->scope) Problem(where + "another scope");
  const Bytes baseBytes = ReadRest(base), deltaBytes = ReadRest(delta);
  if (baseBytes != call->base) Problem(where + "the base ticket has " + FirstDifference(baseBytes, call->base));
  if (deltaBytes != call->delta) Problem(where + "the delta ticket has " + FirstDifference(deltaBytes, call->delta));
  if (result == nullptr) return E_POINTER;
  ULONG written = 0;
  const HRESULT hr = result->Write(call->result.data(), static_cast<ULONG>(call->result.size()), &written);
  if (FAILED(hr)) return hr;
  return static_cast<HRESULT>(call->hr);
}

}  // extern "C"
