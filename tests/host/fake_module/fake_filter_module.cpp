// A stand-in filter module for testing brimloft-print from the outside: it writes one line per
// page ("page N"), takes BRIMLOFT_FAKE_PAGE_MS milliseconds a page, stops at ShutdownOperation
// ("stopped"), and fails with the HRESULT in BRIMLOFT_FAKE_FAIL (hex) on the second page.
#include <filterpipeline.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "module/ComPtr.h"
#include "platform/com_object.h"

namespace {

using brimloft::ComPtr;

class FakeFilter final : public platform::ComObject<IPrintPipelineFilter, &IID_IPrintPipelineFilter> {
 public:
  HRESULT STDMETHODCALLTYPE InitializeFilter(IInterFilterCommunicator* comm, IPrintPipelinePropertyBag* bag,
                                             IPrintPipelineManagerControl* control) override {
    if (!comm || !bag || !control) return E_POINTER;
    void* reader = nullptr;
    void* writer = nullptr;
    HRESULT hr = comm->RequestReader(&reader);
    if (FAILED(hr)) return hr;
    auto r = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(reader));
    hr = comm->RequestWriter(&writer);
    if (FAILED(hr)) return hr;
    auto w = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(writer));
    hr = r->QueryInterface(IID_IXpsDocumentProvider, reader_.put_void());
    return FAILED(hr) ? hr : w->QueryInterface(IID_IPrintWriteStream, writer_.put_void());
  }
  HRESULT STDMETHODCALLTYPE ShutdownOperation() override {
    alive_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE StartOperation() override {
    const char* ms = std::getenv("BRIMLOFT_FAKE_PAGE_MS");
    const char* fail = std::getenv("BRIMLOFT_FAKE_FAIL");
    const int pageMs = ms ? std::atoi(ms) : 0;
    HRESULT result = S_OK;
    int page = 0;
    while (alive_ && SUCCEEDED(result)) {
      IUnknown* raw = nullptr;
      result = reader_->GetXpsPart(&raw);
      if (FAILED(result) || raw == nullptr) break;
      auto part = ComPtr<IUnknown>::Attach(raw);
      ComPtr<IFixedPage> fixed;
      if (FAILED(part->QueryInterface(IID_IFixedPage, fixed.put_void()))) continue;
      if (++page == 2 && fail) {
        result = static_cast<HRESULT>(std::strtoul(fail, nullptr, 16));
        break;
      }
      for (int t = 0; t < pageMs && alive_; t += 5) std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const std::string line = "page " + std::to_string(page) + "\n";
      result = writer_->WriteBytes(line.data(), static_cast<ULONG>(line.size()), nullptr);
    }
    if (!alive_) writer_->WriteBytes("stopped\n", 8, nullptr);
    writer_->Close();
    return result;
  }

 private:
  std::atomic<bool> alive_{true};
  ComPtr<IXpsDocumentProvider> reader_;
  ComPtr<IPrintWriteStream> writer_;
};

class Factory final : public platform::ComObject<IClassFactory, &IID_IClassFactory> {
 public:
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    return platform::HandOut(new FakeFilter(), riid, ppv);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID riid, void** ppv) {
  return platform::HandOut(new Factory(), riid, ppv);
}

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }
