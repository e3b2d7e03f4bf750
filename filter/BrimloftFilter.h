// The filter object that the print pipeline drives: one per print job.
#ifndef BRIMLOFT_FILTER_BRIMLOFTFILTER_H
#define BRIMLOFT_FILTER_BRIMLOFTFILTER_H

#include <windows.h>

#include <filterpipeline.h>

#include <string>

#include "module/ComPtr.h"
#include "module/FilterLiveness.h"
#include "module/UnknownBase.h"

namespace brimloft {

template <>
inline const IID& InterfaceIdOf<IPrintPipelineFilter>() {
  return IID_IPrintPipelineFilter;
}

class BrimloftFilter final : public UnknownBase<IPrintPipelineFilter> {
 public:
  // Counts in the module object count; throws std::bad_alloc when the liveness object can't be
  // made, leaving the count untouched.
  BrimloftFilter();
  ~BrimloftFilter() override;

  // Keeps the creating factory's variant code ("RX2P", ...) as the printer name.
  void SetPrinterName(std::string name);
  const std::string& PrinterName() const noexcept { return printerName_; }

  // E_POINTER for any null argument; otherwise the failure of RequestReader, RequestWriter or of
  // the proof that they are an XPS document provider and a byte stream, translated.
  HRESULT STDMETHODCALLTYPE InitializeFilter(IInterFilterCommunicator* pINegotiation,
                                             IPrintPipelinePropertyBag* pIPropertyBag,
                                             IPrintPipelineManagerControl* pIPipelineControl) override;
  // Asks a running job to stop; safe from any thread at any time. Always S_OK.
  HRESULT STDMETHODCALLTYPE ShutdownOperation() override;
  // Runs the whole job; S_OK when it ran to its end or was stopped, else the translated failure.
  // The writer is closed on every path.
  HRESULT STDMETHODCALLTYPE StartOperation() override;

 private:
  void RunJob();

  ComPtr<IXpsDocumentProvider> reader_;
  ComPtr<IPrintWriteStream> writer_;
  ComPtr<IPrintPipelinePropertyBag> propertyBag_;
  ComPtr<FilterLiveness> liveness_;
  std::string printerName_;
};

}  // namespace brimloft

#endif
