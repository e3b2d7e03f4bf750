#include "filter/BrimloftFilter.h"

#include <utility>

#include "module/ModuleCount.h"
#include "module/trace.h"

namespace brimloft {
namespace {

constexpr auto kUnit = TraceUnit::BrimloftFilter;

// Asks the object for interface iid. Throws what QueryInterface answers (E_POINTER for no object,
// E_NOINTERFACE for success without a pointer), traced first as the given point with that HRESULT.
template <class T>
ComPtr<T> Ask(IUnknown* object, REFIID iid, const trace::Point<trace::HResult>& refused) {
  ComPtr<T> result;
  HRESULT hr = object == nullptr ? E_POINTER : object->QueryInterface(iid, result.put_void());
  if (SUCCEEDED(hr) && !result) hr = E_NOINTERFACE;
  if (FAILED(hr)) {
    BRIMLOFT_TRACE(refused, static_cast<int>(hr));
    BRIMLOFT_THROW(hr);
  }
  return result;
}

}  // namespace

BrimloftFilter::BrimloftFilter() {
  liveness_ = ComPtr<FilterLiveness>::Attach(new FilterLiveness);
  IncrementModuleCount();
}

BrimloftFilter::~BrimloftFilter() {
  DecrementModuleCount();
  printerName_.clear();
  liveness_.reset();
  propertyBag_.reset();
  writer_.reset();
  reader_.reset();
}

void BrimloftFilter::SetPrinterName(std::string name) {
  printerName_ = std::move(name);
  BRIMLOFT_TRACE(trace::PrinterNameSet, "Setting printer name as ", printerName_);
}

HRESULT STDMETHODCALLTYPE BrimloftFilter::InitializeFilter(IInterFilterCommunicator* pINegotiation,
                                                           IPrintPipelinePropertyBag* pIPropertyBag,
                                                           IPrintPipelineManagerControl* pIPipelineControl) {
  BRIMLOFT_TRACE(trace::InitializeFilterEntered);
  if (pINegotiation == nullptr || pIPropertyBag == nullptr || pIPipelineControl == nullptr) {
    BRIMLOFT_TRACE_FAILURE(E_POINTER);
    return E_POINTER;
  }
  const HRESULT hr = translate_exceptions([&] {
    ComPtr<IInterFilterCommunicator> negotiation(pINegotiation);
    ComPtr<IPrintPipelinePropertyBag> propertyBag(pIPropertyBag);
    BRIMLOFT_TRACE(trace::ReaderWriterSetUp);
    ComPtr<IUnknown> reader;
    ComPtr<IUnknown> writer;
    BRIMLOFT_CHECK(negotiation->RequestReader(reader.put_void()));
    BRIMLOFT_CHECK(negotiation->RequestWriter(writer.put_void()));
    // The pipeline hands out whatever its configuration names, as whichever interface the object
    // puts first: ask each object for the interface it is called through, never assume it.
    ComPtr<IXpsDocumentProvider> provider =
        Ask<IXpsDocumentProvider>(reader.get(), IID_IXpsDocumentProvider, trace::ReaderIsNoDocumentProvider);
    ComPtr<IPrintWriteStream> stream =
        Ask<IPrintWriteStream>(writer.get(), IID_IPrintWriteStream, trace::WriterIsNoWriteStream);
    reader_ = std::move(provider);
    writer_ = std::move(stream);
    propertyBag_ = propertyBag;
  });
  BRIMLOFT_TRACE(trace::InitializeFilterDone);
  return hr;
}

HRESULT STDMETHODCALLTYPE BrimloftFilter::ShutdownOperation() {
  BRIMLOFT_TRACE(trace::FilterShutdown);
  liveness_->Stop();
  return S_OK;
}

}  // namespace brimloft
