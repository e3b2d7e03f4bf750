// The Print Ticket API over the registry of known printers.
#include <prntvpt.h>

#include <platform/printer_description.h>
#include <platform/thread_token.h>

#include "core/stream_bytes.h"
#include "core/utf8.h"
#include "printticket/ticket_model.h"

#include <algorithm>
#include <map>
#include <memory>
#include <mutex>
#include <new>

namespace {

using platform::PrinterDescription;
using platform::printticket::Ticket;
using platform::printticket::TicketFormatError;

constexpr DWORD kSchemaVersion = 1;

struct Providers {
  std::mutex lock;
  std::map<HPTPROVIDER, PrinterDescription> open;
  UINT_PTR next = 0x1000;  // handles are never reused
};

Providers& TheProviders() {
  static Providers providers;
  return providers;
}

std::optional<PrinterDescription> Printer(PCWSTR name) {
  if (!name) return std::nullopt;
  return platform::FindPrinter(std::wstring(name));
}

HRESULT WriteAll(IStream* stream, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ULONG want = static_cast<ULONG>(std::min<size_t>(bytes.size() - done, 1u << 30));
    ULONG written = 0;
    const HRESULT hr = stream->Write(bytes.data() + done, want, &written);
    if (FAILED(hr)) return hr;
    if (written == 0) return STG_E_MEDIUMFULL;
    done += written;
  }
  return S_OK;
}

HRESULT Fail(HRESULT hr, const std::string& message, BSTR* out) {
  if (out) {
    const std::wstring wide = platform::text::FromUtf8(message);
    *out = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  }
  return hr;
}

// Reads and parses one ticket; a failure is answered with formatError and what is wrong.
HRESULT ReadTicket(IStream* stream, const char* which, HRESULT formatError, Ticket* ticket, BSTR* message) {
  std::string bytes;
  const HRESULT hr = platform::ReadToEnd(stream, bytes);
  if (FAILED(hr)) return Fail(hr, std::string("The ") + which + " print ticket could not be read.", message);
  try {
    *ticket = platform::printticket::ParseTicket(bytes);
  } catch (const TicketFormatError& e) {
    return Fail(formatError, std::string("The ") + which + " print ticket is not valid: " + e.what() + ".", message);
  }
  return S_OK;
}

HRESULT MergeAndValidate(HPTPROVIDER provider, IStream* base, IStream* delta, EPrintTicketScope scope,
                         IStream* result, BSTR* message) {
  if (!base || !result) return E_POINTER;
  if (scope != kPTPageScope && scope != kPTDocumentScope && scope != kPTJobScope) {
    return Fail(E_INVALIDARG, "The scope is not one of page, document and job.", message);
  }
  PrinterDescription printer;
  {
    Providers& providers = TheProviders();
    std::lock_guard<std::mutex> guard(providers.lock);
    const auto it = providers.open.find(provider);
    if (it == providers.open.end()) return E_HANDLE;
    printer = it->second;
  }
  Ticket merged;
  HRESULT hr = ReadTicket(base, "base", E_PRINTTICKET_FORMAT, &merged, message);
  if (FAILED(hr)) return hr;
  if (delta) {
    Ticket changes;
    hr = ReadTicket(delta, "delta", E_DELTA_PRINTTICKET_FORMAT, &changes, message);
    if (FAILED(hr)) return hr;
    platform::printticket::MergeDelta(&merged, changes, static_cast<platform::FeatureScope>(scope), printer);
  }
  const auto validation = platform::printticket::Validate(merged, printer);
  hr = WriteAll(result, platform::printticket::WriteTicket(printer, validation.options, validation.parameters));
  if (FAILED(hr)) return Fail(hr, "The result print ticket could not be written.", message);
  return validation.conflict ? S_PT_CONFLICT_RESOLVED : S_PT_NO_CONFLICT;
}

}  // namespace

extern "C" HRESULT WINAPI PTQuerySchemaVersionSupport(PCWSTR pszPrinterName, DWORD* pMaxVersion) {
  platform::thread_token::NotePrintTicketCall();
  if (!pMaxVersion) return E_POINTER;
  *pMaxVersion = 0;
  try {
    if (!Printer(pszPrinterName)) return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  *pMaxVersion = kSchemaVersion;
  return S_OK;
}

extern "C" HRESULT WINAPI PTOpenProviderEx(PCWSTR pszPrinterName, DWORD dwMaxVersion, DWORD dwPrefVersion,
                                           HPTPROVIDER* phProvider, DWORD* pUsedVersion) {
  platform::thread_token::NotePrintTicketCall();
  if (!phProvider || !pUsedVersion) return E_POINTER;
  *phProvider = nullptr;
  *pUsedVersion = 0;
  if (dwMaxVersion == 0 || dwPrefVersion == 0 || dwPrefVersion > dwMaxVersion) return E_INVALIDARG;
  try {
    auto printer = Printer(pszPrinterName);
    if (!printer) return HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME);
    Providers& providers = TheProviders();
    std::lock_guard<std::mutex> guard(providers.lock);
    const auto handle = reinterpret_cast<HPTPROVIDER>(providers.next++);
    providers.open.emplace(handle, std::move(*printer));
    *phProvider = handle;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  *pUsedVersion = std::min(dwPrefVersion, kSchemaVersion);
  return S_OK;
}

extern "C" HRESULT WINAPI PTCloseProvider(HPTPROVIDER hProvider) {
  platform::thread_token::NotePrintTicketCall();
  Providers& providers = TheProviders();
  std::lock_guard<std::mutex> guard(providers.lock);
  return providers.open.erase(hProvider) == 1 ? S_OK : E_HANDLE;
}

extern "C" HRESULT WINAPI PTMergeAndValidatePrintTicket(HPTPROVIDER hProvider, IStream* pBaseTicket,
                                                        IStream* pDeltaTicket, EPrintTicketScope scope,
                                                        IStream* pResultTicket, BSTR* pbstrErrorMessage) {
  platform::thread_token::NotePrintTicketCall();
  if (pbstrErrorMessage) *pbstrErrorMessage = nullptr;
  try {
    return MergeAndValidate(hProvider, pBaseTicket, pDeltaTicket, scope, pResultTicket, pbstrErrorMessage);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
