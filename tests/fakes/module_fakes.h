// Small stand-ins for the pipeline objects a filter is handed, with reference counts a test can read.
#ifndef BRIMLOFT_TESTS_FAKES_MODULE_FAKES_H
#define BRIMLOFT_TESTS_FAKES_MODULE_FAKES_H

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>

#include <atomic>

namespace brimloft {
namespace fakes {

// IUnknown over Interface answering IID_IUnknown and each of Iids; Refs() reads the count. Tests
// keep the birth reference, so a count back at 1 proves that everyone else has let go.
template <class Interface, const IID*... Iids>
class Fake : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
    ++queries_;
    if (ppv == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || ((riid == *Iids) || ...)) {
      *ppv = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++refs_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  ULONG Refs() const { return refs_.load(); }
  int Queries() const { return queries_.load(); }
  virtual ~Fake() = default;

 private:
  std::atomic<ULONG> refs_{1};
  std::atomic<int> queries_{0};
};

// A reader that is an XPS document provider (it has no parts to give).
class XpsReader final : public Fake<IXpsDocumentProvider, &IID_IXpsDocumentProvider> {
 public:
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** part) override {
    if (part) *part = nullptr;
    return E_NOTIMPL;
  }
};

// A reader that is only a byte stream, not an XPS document provider.
class StreamReader final : public Fake<IPrintReadStream, &IID_IPrintReadStream> {
 public:
  HRESULT STDMETHODCALLTYPE Seek(LONGLONG, DWORD, ULONGLONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE ReadBytes(void*, ULONG, ULONG* read, BOOL* eof) override {
    if (read) *read = 0;
    if (eof) *eof = TRUE;
    return S_OK;
  }
};

// An output byte stream that counts its calls and swallows the bytes.
class Writer final : public Fake<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  HRESULT STDMETHODCALLTYPE WriteBytes(const void*, ULONG cb, ULONG* written) override {
    bytes += cb;
    if (written) *written = cb;
    return S_OK;
  }
  void STDMETHODCALLTYPE Close() override { ++closes; }
  ULONG bytes = 0;
  int closes = 0;
};

// A writer that answers nothing but IUnknown: no IPrintWriteStream.
class OpaqueWriter final : public Fake<IUnknown> {};

// Hands out the reader and the writer it was given (each with a new reference), or the failure
// it was told to give, or success without an object.
class Communicator final : public Fake<IInterFilterCommunicator, &IID_IInterFilterCommunicator> {
 public:
  Communicator(IUnknown* reader, IUnknown* writer) : reader_(reader), writer_(writer) {}
  HRESULT STDMETHODCALLTYPE RequestReader(void** out) override {
    refsDuringRequest = Refs();
    return Hand(nullReader ? nullptr : reader_, readerResult, out, readerCalls);
  }
  HRESULT STDMETHODCALLTYPE RequestWriter(void** out) override {
    return Hand(nullWriter ? nullptr : writer_, writerResult, out, writerCalls);
  }

  HRESULT readerResult = S_OK;
  HRESULT writerResult = S_OK;
  int readerCalls = 0;
  int writerCalls = 0;
  bool nullReader = false;
  bool nullWriter = false;
  ULONG refsDuringRequest = 0;  // this object's count while the reader was requested

 private:
  static HRESULT Hand(IUnknown* object, HRESULT result, void** out, int& calls) {
    ++calls;
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (FAILED(result)) return result;
    if (object) object->AddRef();
    *out = object;
    return S_OK;
  }
  IUnknown* reader_;
  IUnknown* writer_;
};

// An empty property bag: every property is absent.
class PropertyBag final : public Fake<IPrintPipelinePropertyBag, &IID_IPrintPipelinePropertyBag> {
 public:
  HRESULT STDMETHODCALLTYPE AddProperty(const wchar_t*, const VARIANT*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetProperty(const wchar_t*, VARIANT*) override { return E_ELEMENT_NOT_FOUND; }
  BOOL STDMETHODCALLTYPE DeleteProperty(const wchar_t*) override { return FALSE; }
};

// The pipeline manager: counts what the filter asks of it (the filter should ask nothing).
class PipelineControl final : public Fake<IPrintPipelineManagerControl, &IID_IPrintPipelineManagerControl> {
 public:
  HRESULT STDMETHODCALLTYPE RequestShutdown(HRESULT, IImgErrorInfo*) override {
    ++calls;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE FilterFinished() override {
    ++calls;
    return S_OK;
  }
  int calls = 0;
};

}  // namespace fakes
}  // namespace brimloft

#endif
