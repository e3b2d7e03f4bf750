#include "filter/BrimloftFilter.h"

#include <utility>

#include "module/ModuleCount.h"
#include "module/trace.h"

namespace brimloft {
namespace {

// Asks the object for interface iid. Throws what QueryInterface answers (E_POINTER for no object,
// E_NOINTERFACE for success without a pointer), traced first as record number with that HRESULT.
template <class T>
ComPtr<T> Ask(IUnknown* object, REFIID iid, USHORT number) {
  ComPtr<T> result;
  HRESULT hr = object == nullptr ? E_POINTER : object->QueryInterface(iid, result.put_void());
  if (SUCCEEDED(hr) && !result) hr = E_NOINTERFACE;
  if (FAILED(hr)) {
    BRIMLOFT_TRACE(TRACE_ERROR, BrimloftFilter, number, static_cast<int>(hr));
    throw_hr(hr, "BrimloftFilter", __LINE__);
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
  BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 15, "Setting printer name as ", printerName_);
}

HRESULT STDMETHODCALLTYPE BrimloftFilter::InitializeFilter(IInterFilterCommunicator* pINegotiation,
                                                           IPrintPipelinePropertyBag* pIPropertyBag,
                                                           IPrintPipelineManagerControl* pIPipelineControl) {
  BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 10);
  if (pINegotiation == nullptr || pIPropertyBag == nullptr || pIPipelineControl == nullptr) {
    trace_failure(E_POINTER, "BrimloftFilter", __LINE__);
    return E_POINTER;
  }
  const HRESULT hr = translate_exceptions([&] {
    ComPtr<IInterFilterCommunicator> negotiation(pINegotiation);
    ComPtr<IPrintPipelinePropertyBag> propertyBag(pIPropertyBag);
    BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 12);
    ComPtr<IUnknown> reader;
    ComPtr<IUnknown> writer;
    check_hr(negotiation->RequestReader(reader.put_void()), "BrimloftFilter", __LINE__);
    check_hr(negotiation->RequestWriter(writer.put_void()), "BrimloftFilter", __LINE__);
    // The pipeline hands out whatever its configuration names, as whichever interface the object
    // puts first: ask each object for the interface it is called through, never assume it.
    ComPtr<IXpsDocumentProvider> provider = Ask<IXpsDocumentProvider>(reader.get(), IID_IXpsDocumentProvider, 19);
    ComPtr<IPrintWriteStream> stream = Ask<IPrintWriteStream>(writer.get(), IID_IPrintWriteStream, 20);
    reader_ = std::move(provider);
    writer_ = std::move(stream);
    propertyBag_ = propertyBag;
  });
  BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 11);
  return hr;
}

HRESULT STDMETHODCALLTYPE BrimloftFilter::ShutdownOperation() {
  BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 13);
  liveness_->Stop();
  return S_OK;
}

}  // namespace brimloft
