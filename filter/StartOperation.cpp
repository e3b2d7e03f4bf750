// The document loop: one whole print job on the pipeline's calling thread.
#include "filter/BrimloftFilter.h"

#include "module/trace.h"

namespace brimloft {

HRESULT STDMETHODCALLTYPE BrimloftFilter::StartOperation() {
  BRIMLOFT_TRACE(TRACE_FLOW, BrimloftFilter, 14);
  const HRESULT hr = translate_exceptions([&] { RunJob(); });
  if (writer_) writer_->Close();
  return hr;
}

void BrimloftFilter::RunJob() {
  BRIMLOFT_TRACE(TRACE_DETAIL, BrimloftFilter, 16);
  throw_hr(E_NOTIMPL, "BrimloftFilter", __LINE__);
}

}  // namespace brimloft
