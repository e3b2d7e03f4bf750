// Small stand-ins for the print filter pipeline's parts, streams and property bag.
#ifndef BRIMLOFT_TESTS_FAKES_FAKE_PIPELINE_H
#define BRIMLOFT_TESTS_FAKES_FAKE_PIPELINE_H

#include <windows.h>
#include <objbase.h>
#include <comdef.h>

#include <filterpipeline.h>
#include <platform/com_object.h>

#include "module/ComPtr.h"

#include <algorithm>
#include <map>
#include <string>
#include <utility>

namespace brimloft::fakes {

// Creates a fake with its birth reference owned by the returned pointer.
template <class T, class... Args>
ComPtr<T> Make(Args&&... args) {
  return ComPtr<T>::Attach(new T(std::forward<Args>(args)...));
}

// A read stream over bytes. Knobs: the largest count one read delivers, a length that Seek(end)
// reports instead of the true one, a point after which the stream claims end of file, a read
// failure, and a read that reports more bytes than asked for.
class FakeReadStream : public platform::ComObject<IPrintReadStream, &IID_IPrintReadStream> {
 public:
  explicit FakeReadStream(std::string bytes) : bytes_(std::move(bytes)), reportedSize_(bytes_.size()) {}

  ULONG maxChunk = 0xFFFFFFFF;
  HRESULT readFailure = S_OK;
  HRESULT seekFailure = S_OK;
  bool overReport = false;
  int reads = 0;
  void ReportSize(ULONGLONG size) { reportedSize_ = size; }
  void EndAfter(size_t bytes) { endAfter_ = bytes; }

  HRESULT STDMETHODCALLTYPE Seek(LONGLONG move, DWORD origin, ULONGLONG* position) override {
    if (FAILED(seekFailure)) return seekFailure;
    const LONGLONG base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? static_cast<LONGLONG>(pos_)
                                                                                     : static_cast<LONGLONG>(reportedSize_);
    if (base + move < 0) return E_INVALIDARG;
    pos_ = static_cast<size_t>(base + move);
    if (position) *position = pos_;
    return S_OK;
  }

  HRESULT STDMETHODCALLTYPE ReadBytes(void* buffer, ULONG requested, ULONG* read, BOOL* endOfFile) override {
    ++reads;
    if (FAILED(readFailure)) return readFailure;
    const size_t end = std::min(bytes_.size(), endAfter_);
    const size_t available = pos_ < end ? end - pos_ : 0;
    const ULONG count = static_cast<ULONG>(std::min<size_t>({available, requested, maxChunk}));
    std::copy_n(bytes_.data() + pos_, count, static_cast<char*>(buffer));
    pos_ += count;
    *read = overReport ? requested + 1 : count;
    *endOfFile = pos_ >= end ? TRUE : FALSE;
    return S_OK;
  }

 private:
  std::string bytes_;
  ULONGLONG reportedSize_;
  size_t endAfter_ = static_cast<size_t>(-1);
  size_t pos_ = 0;
};

class FakeReadStreamFactory : public platform::ComObject<IPrintReadStreamFactory, &IID_IPrintReadStreamFactory> {
 public:
  explicit FakeReadStreamFactory(std::string bytes) : bytes_(std::move(bytes)) {}
  HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** stream) override {
    *stream = new FakeReadStream(bytes_);
    return S_OK;
  }

 private:
  std::string bytes_;
};

// A part whose content is the given bytes, answering IPartBase and the listed interfaces; every
// GetStream hands out a new read stream. Knobs: a failing GetUri, a failing GetStream, a GetStream
// that succeeds without a stream.
template <class Interface, const IID*... Iids>
class FakePart : public platform::ComObject<Interface, &IID_IPartBase, Iids...> {
 public:
  explicit FakePart(std::string bytes, std::wstring uri = L"/part") : bytes_(std::move(bytes)), uri_(std::move(uri)) {}
  HRESULT uriFailure = S_OK;
  HRESULT getStreamFailure = S_OK;
  bool handsNoStream = false;
  int streamsHandedOut = 0;

  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override {
    *uri = nullptr;
    if (FAILED(uriFailure)) return uriFailure;
    *uri = SysAllocString(uri_.c_str());
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetStream(IPrintReadStream** stream) override {
    *stream = nullptr;
    if (FAILED(getStreamFailure)) return getStreamFailure;
    if (handsNoStream) return S_OK;
    ++streamsHandedOut;
    *stream = new FakeReadStream(bytes_);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPartCompression(EXpsCompressionOptions* c) override {
    *c = Compression_NotCompressed;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE SetPartCompression(EXpsCompressionOptions) override { return S_OK; }

 private:
  std::string bytes_;
  std::wstring uri_;
};

using FakePrintTicket = FakePart<IPartPrintTicket, &IID_IPartPrintTicket>;

// GetPrintTicket of the document parts: the ticket when one was given, otherwise
// HRESULT_FROM_WIN32(ERROR_NOT_FOUND); a set failure wins over both.
class TicketHolder {
 public:
  explicit TicketHolder(ComPtr<IPartPrintTicket> ticket) : ticket_(std::move(ticket)) {}
  HRESULT failure = S_OK;

 protected:
  HRESULT Hand(IPartPrintTicket** out) {
    *out = nullptr;
    if (FAILED(failure)) return failure;
    if (!ticket_) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    ticket_->AddRef();
    *out = ticket_.get();
    return S_OK;
  }

 private:
  ComPtr<IPartPrintTicket> ticket_;
};

class FakeSequence : public platform::ComObject<IFixedDocumentSequence, &IID_IFixedDocumentSequence>,
                     public TicketHolder {
 public:
  explicit FakeSequence(ComPtr<IPartPrintTicket> ticket = nullptr) : TicketHolder(std::move(ticket)) {}
  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override {
    *uri = SysAllocString(L"/FixedDocumentSequence.fdseq");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ticket) override { return Hand(ticket); }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
};

class FakeDocument : public platform::ComObject<IFixedDocument, &IID_IFixedDocument>, public TicketHolder {
 public:
  explicit FakeDocument(ComPtr<IPartPrintTicket> ticket = nullptr) : TicketHolder(std::move(ticket)) {}
  HRESULT STDMETHODCALLTYPE GetUri(BSTR* uri) override {
    *uri = SysAllocString(L"/Documents/1/FixedDocument.fdoc");
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ticket) override { return Hand(ticket); }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
};

class FakePage : public FakePart<IFixedPage, &IID_IFixedPage>, public TicketHolder {
 public:
  explicit FakePage(ComPtr<IPartPrintTicket> ticket = nullptr, std::string markup = "<FixedPage/>",
                    std::wstring uri = L"/Documents/1/Pages/1.fpage")
      : FakePart(std::move(markup), std::move(uri)), TicketHolder(std::move(ticket)) {}
  HRESULT STDMETHODCALLTYPE GetPrintTicket(IPartPrintTicket** ticket) override { return Hand(ticket); }
  HRESULT STDMETHODCALLTYPE GetPagePart(const wchar_t*, IUnknown** part) override {
    *part = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE GetWriteStream(IPrintWriteStream** stream) override {
    *stream = nullptr;
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE SetPrintTicket(IPartPrintTicket*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetPagePart(IUnknown*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE DeleteResource(const wchar_t*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetXpsPartIterator(IXpsPartIterator** iterator) override {
    *iterator = nullptr;
    return E_NOTIMPL;
  }
};

// A property bag over named VARIANTs; a missing name gives HRESULT_FROM_WIN32(ERROR_NOT_FOUND).
class FakeJobPropertyBag : public platform::ComObject<IPrintPipelinePropertyBag, &IID_IPrintPipelinePropertyBag> {
 public:
  HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t* name, const VARIANT* value) override {
    properties_[name] = _variant_t(*value);
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t* name, VARIANT* value) override {
    const auto it = properties_.find(name);
    if (it == properties_.end()) return HRESULT_FROM_WIN32(ERROR_NOT_FOUND);
    VariantInit(value);
    return VariantCopy(value, &it->second);
  }
  BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t* name) override { return properties_.erase(name) ? TRUE : FALSE; }

  void Set(const wchar_t* name, const _variant_t& value) { properties_[name] = value; }

  // The three entries the ticket handler reads.
  void SetTicketSource(const std::string& userTicket, const wchar_t* printerName, LONGLONG token) {
    auto factory = Make<FakeReadStreamFactory>(userTicket);
    Set(L"PerUserPrintTicket", _variant_t(static_cast<IUnknown*>(factory.get())));
    Set(L"PrinterName", _variant_t(printerName));
    _variant_t tokenValue;
    tokenValue.vt = VT_I8;
    tokenValue.llVal = token;
    Set(L"UserSecurityToken", tokenValue);
  }

 private:
  std::map<std::wstring, _variant_t> properties_;
};

}  // namespace brimloft::fakes

#endif
