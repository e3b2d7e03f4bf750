#include "module/SafeHPTProvider.h"

#include "module/filtertypes.h"

#include <memory>

using brimloft::hr_from_last_error;

namespace {

constexpr auto kUnit = brimloft::TraceUnit::filtertypes;

// Impersonates a token on the calling thread for its lifetime. A failed start with a system error
// raises; one without (last error 0) lets the work go on unimpersonated. The revert always runs.
class Impersonation {
 public:
  explicit Impersonation(HANDLE token) {
    SetLastError(ERROR_SUCCESS);
    if (!SetThreadToken(nullptr, token)) {
      const HRESULT hr = hr_from_last_error();
      if (FAILED(hr)) BRIMLOFT_THROW(hr);
    }
  }
  ~Impersonation() {
    SetLastError(ERROR_SUCCESS);
    if (!SetThreadToken(nullptr, nullptr)) {
      const HRESULT hr = hr_from_last_error();
      if (FAILED(hr)) BRIMLOFT_TRACE_FAILURE(hr, L"Failed to revert thread security context.");
    }
  }
  Impersonation(const Impersonation&) = delete;
  Impersonation& operator=(const Impersonation&) = delete;
};

struct MessageFree {
  void operator()(OLECHAR* message) const { SysFreeString(message); }
};

}  // namespace

SafeHPTProvider::SafeHPTProvider(const wchar_t* printerName, HANDLE token) : token_(token) {
  Impersonation impersonation(token_);
  DWORD highest = 0;
  BRIMLOFT_CHECK(PTQuerySchemaVersionSupport(printerName, &highest));
  DWORD used = 0;
  BRIMLOFT_CHECK(PTOpenProviderEx(printerName, highest, highest, &provider_, &used));
}

SafeHPTProvider::~SafeHPTProvider() {
  const HRESULT hr = PTCloseProvider(provider_);
  if (FAILED(hr)) BRIMLOFT_TRACE_FAILURE(hr);
}

void SafeHPTProvider::MergeAndValidate(IStream* base, IStream* delta, IStream* result, EPrintTicketScope scope) {
  Impersonation impersonation(token_);
  BSTR text = nullptr;
  const HRESULT hr = PTMergeAndValidatePrintTicket(provider_, base, delta, scope, result, &text);
  // Freed before the impersonation is reverted, on every way out.
  const std::unique_ptr<OLECHAR, MessageFree> message(text);
  if (FAILED(hr)) {
    BRIMLOFT_TRACE_FAILURE(hr, message.get());
    BRIMLOFT_THROW(hr);
  }
}
