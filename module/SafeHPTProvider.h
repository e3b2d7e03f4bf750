// Owner of an open print-ticket provider, and the impersonation around each of its calls.
#ifndef BRIMLOFT_MODULE_SAFEHPTPROVIDER_H
#define BRIMLOFT_MODULE_SAFEHPTPROVIDER_H

#include <windows.h>
#include <objbase.h>
#include <prntvpt.h>

// Every provider call runs impersonating the job user's token, and the impersonation is reverted
// before control returns, whatever the outcome. A revert that fails is traced, never raised.
class SafeHPTProvider {
 public:
  // Opens the provider of printerName (may be null) at the printer's highest schema version.
  // Throws (unit "filtertypes") HRESULT_FROM_WIN32 of the system error when impersonation cannot
  // start, or the failure of PTQuerySchemaVersionSupport or PTOpenProviderEx. The token is the
  // pipeline's: neither duplicated nor closed here.
  SafeHPTProvider(const wchar_t* printerName, HANDLE token);
  // Closes the provider; a failed close is traced.
  virtual ~SafeHPTProvider();
  SafeHPTProvider(const SafeHPTProvider&) = delete;
  SafeHPTProvider& operator=(const SafeHPTProvider&) = delete;

  // Merges delta onto base at scope and writes the validated ticket into result. A rejected merge
  // is traced with the provider's message and thrown with the provider's HRESULT.
  void MergeAndValidate(IStream* base, IStream* delta, IStream* result, EPrintTicketScope scope);

 private:
  HPTPROVIDER provider_ = nullptr;
  HANDLE token_;
};

#endif
