// The Print Ticket API as this code base calls it, for builds outside Windows. Names, signatures
// and values are those of the Windows SDK. The printers served are those of the registry in
// <platform/printer_description.h>.
#ifndef BRIMLOFT_PLATFORM_PRNTVPT_H
#define BRIMLOFT_PLATFORM_PRNTVPT_H

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

extern "C" {

typedef struct HPTPROVIDER__* HPTPROVIDER;

#define PRINTTICKET_ISTREAM_APIS 1
#define S_PT_NO_CONFLICT 0x00040001
#define S_PT_CONFLICT_RESOLVED 0x00040002
#define E_PRINTTICKET_FORMAT 0x80040003
#define E_PRINTCAPABILITIES_FORMAT 0x80040004
#define E_DELTA_PRINTTICKET_FORMAT 0x80040005
#define E_PRINTDEVICECAPABILITIES_FORMAT 0x80040006

typedef enum : int { kPTPageScope, kPTDocumentScope, kPTJobScope } EPrintTicketScope;

// The highest Print Schema version the printer supports (1). E_POINTER for a null out pointer;
// HRESULT_FROM_WIN32(ERROR_INVALID_PRINTER_NAME) for a null or unknown printer name.
HRESULT WINAPI PTQuerySchemaVersionSupport(PCWSTR pszPrinterName, DWORD* pMaxVersion);

// Opens a provider for the printer, using the lower of dwPrefVersion and the printer's highest
// version. E_INVALIDARG when a version is 0 or the preferred one exceeds the maximum; otherwise as
// PTQuerySchemaVersionSupport. *phProvider is null on failure.
HRESULT WINAPI PTOpenProviderEx(PCWSTR pszPrinterName, DWORD dwMaxVersion, DWORD dwPrefVersion,
                                HPTPROVIDER* phProvider, DWORD* pUsedVersion);

// E_HANDLE for a handle that is not open.
HRESULT WINAPI PTCloseProvider(HPTPROVIDER hProvider);

// Merges the delta ticket (may be null) onto the base ticket at the given scope: the delta's
// settings of that scope and narrower ones replace the base's. Validates the result against the
// printer: every feature of the printer, each with an option it offers (the default where the
// ticket has none or one the printer does not offer), and nothing the printer does not describe.
// Writes it, UTF-8 with the prefixes psf, psk, xsi, xsd and ns0000, to pResultTicket at its
// current position. Tickets are
// read from their streams' current positions. Returns S_PT_NO_CONFLICT, or S_PT_CONFLICT_RESOLVED
// when validation replaced an option the printer does not offer. A malformed base gives
// E_PRINTTICKET_FORMAT, a malformed delta E_DELTA_PRINTTICKET_FORMAT, each with a message saying
// what is wrong in *pbstrErrorMessage (optional; the caller frees it; null on success).
HRESULT WINAPI PTMergeAndValidatePrintTicket(HPTPROVIDER hProvider, IStream* pBaseTicket, IStream* pDeltaTicket,
                                             EPrintTicketScope scope, IStream* pResultTicket,
                                             BSTR* pbstrErrorMessage);

}  // extern "C"

#endif
