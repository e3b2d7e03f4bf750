// SetErrorInfo and GetErrorInfo: one error information object a thread.
#include <oleauto.h>

#include <new>

#include "core/utf8.h"
#include "platform/com_object.h"
#include "platform/com_ref.h"
#include "platform/error_info.h"

namespace platform {
namespace {

thread_local Ref<IErrorInfo> threadError;

HRESULT CopyOut(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out == nullptr ? E_OUTOFMEMORY : S_OK;
}

class ErrorInfo : public ComObject<IErrorInfo, &IID_IErrorInfo> {
 public:
  ErrorInfo(std::wstring source, std::wstring description)
      : source_(std::move(source)), description_(std::move(description)) {}

  HRESULT STDMETHODCALLTYPE GetGUID(GUID* guid) override {
    if (guid == nullptr) return E_POINTER;
    *guid = GUID{};
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetSource(BSTR* source) override { return CopyOut(source_, source); }
  HRESULT STDMETHODCALLTYPE GetDescription(BSTR* description) override { return CopyOut(description_, description); }
  HRESULT STDMETHODCALLTYPE GetHelpFile(BSTR* file) override { return CopyOut(L"", file); }
  HRESULT STDMETHODCALLTYPE GetHelpContext(DWORD* context) override {
    if (context == nullptr) return E_POINTER;
    *context = 0;
    return S_OK;
  }

 private:
  const std::wstring source_;
  const std::wstring description_;
};

}  // namespace

void SetErrorDescription(const wchar_t* source, const std::string& description) noexcept {
  threadError.reset();
  if (description.empty()) return;
  try {
    threadError = Ref<IErrorInfo>::Adopt(new ErrorInfo(source, text::FromUtf8(description)));
  } catch (const std::bad_alloc&) {
  }
}

}  // namespace platform

extern "C" HRESULT WINAPI SetErrorInfo(ULONG, IErrorInfo* perrinfo) {
  platform::threadError = platform::Ref<IErrorInfo>(perrinfo);
  return S_OK;
}

extern "C" HRESULT WINAPI GetErrorInfo(ULONG, IErrorInfo** pperrinfo) {
  if (pperrinfo == nullptr) return E_POINTER;
  *pperrinfo = platform::threadError.Detach();
  return *pperrinfo == nullptr ? S_FALSE : S_OK;
}
