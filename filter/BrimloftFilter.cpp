#include "filter/BrimloftFilter.h"

#include <utility>

#include "module/ModuleCount.h"
#include "module/trace.h"

namespace brimloft {

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
    check_hr(negotiation->RequestReader(reader_.put_void()), "BrimloftFilter", __LINE__);
    check_hr(negotiation->RequestWriter(writer_.put_void()), "BrimloftFilter", __LINE__);
    // The pipeline hands out whatever its configuration names; prove these are what we need.
    ComPtr<IXpsDocumentProvider> provider;
    check_hr(reader_->QueryInterface(IID_IXpsDocumentProvider, provider.put_void()), "BrimloftFilter", __LINE__);
    ComPtr<IPrintWriteStream> stream;
    check_hr(writer_->QueryInterface(IID_IPrintWriteStream, stream.put_void()), "BrimloftFilter", __LINE__);
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
