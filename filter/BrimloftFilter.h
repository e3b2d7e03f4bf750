// The filter object that the print pipeline drives: one per print job.
#ifndef BRIMLOFT_FILTER_BRIMLOFTFILTER_H
#define BRIMLOFT_FILTER_BRIMLOFTFILTER_H

#include <windows.h>

#include <msopc.h>
#include <xpsobjectmodel.h>

#include <filterpipeline.h>

#include <string>

#include "module/ComPtr.h"
#include "module/FilterLiveness.h"
#include "module/UnknownBase.h"

namespace brimloft {

class RasInterface;

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
  // QueryInterface asking the objects they hand out for IXpsDocumentProvider and IPrintWriteStream
  // (E_POINTER for a null object; records 19 and 20), translated. Holds the answers only on success.
  HRESULT STDMETHODCALLTYPE InitializeFilter(IInterFilterCommunicator* pINegotiation,
                                             IPrintPipelinePropertyBag* pIPropertyBag,
                                             IPrintPipelineManagerControl* pIPipelineControl) override;
  // Asks a running job to stop; safe from any thread at any time. Always S_OK.
  HRESULT STDMETHODCALLTYPE ShutdownOperation() override;
  // Runs the whole job; S_OK when it ran to its end or was stopped, else the translated failure.
  // Once the printer output exists, the end-of-job segment is written on every path (a failure of
  // it after the job failed is record 21, and the job's own failure is returned). The writer is
  // closed on every path.
  HRESULT STDMETHODCALLTYPE StartOperation() override;

 private:
  void RunJob();
  // Reads the parts until the reader has none left or the job is stopped, merging tickets and
  // printing pages; throws whatever fails.
  void ReadParts(RasInterface& rasterizer, IXpsOMObjectFactory* omFactory, IOpcFactory* opcFactory,
                 const std::string& snapshotPath);

  ComPtr<IXpsDocumentProvider> reader_;
  ComPtr<IPrintWriteStream> writer_;
  ComPtr<IPrintPipelinePropertyBag> propertyBag_;
  ComPtr<FilterLiveness> liveness_;
  std::string printerName_;
};

}  // namespace brimloft

#endif
