// One print job as the pipeline sets it up for a filter: the XPS package as the filter's reader,
// an output stream as its writer, and the property bag with the printer's entries.
//
// In-process use:
//   auto out = host::MemoryWriteStream::Create();
//   host::Job job("receipt.xps", {"RX2P", {{"QVDither", "None"}}}, out);
//   filter->InitializeFilter(job.Communicator(), job.PropertyBag(), job.Control());
//   filter->StartOperation();  // or host::RunFilter (job_runner.h) on a job thread
#ifndef BRIMLOFT_HOST_PIPELINE_JOB_H
#define BRIMLOFT_HOST_PIPELINE_JOB_H

#include "host/host_namespace.h"

#include <filterpipeline.h>

#include <map>
#include <memory>
#include <string>

#include "host/package/xps_package.h"
#include "host/pipeline/document_provider.h"
#include "host/pipeline/pipeline_objects.h"
#include "host/pipeline/print_core_helper.h"
#include "host/pipeline/property_bag.h"
#include "module/ComPtr.h"
#include "platform/printer_description.h"
#include "platform/renderer_messages.h"

namespace brimloft::host {

struct JobSettings {
  std::string printer = "RX2P";                // a variant code or a printer description file
  std::map<std::string, std::string> options;  // feature -> option over the printer's defaults
  PackageLimits limits;
};

// A variant code gives the built-in description, anything else is read as a description file.
// Throws HostError (E_INVALIDARG) saying why neither works.
platform::PrinterDescription ResolvePrinter(const std::string& codeOrFile);

class Job {
 public:
  // Throws HostError: the package cannot be opened or read (see XpsPackage::Open), the printer is
  // unknown, an option names no feature of the printer or an option it lacks (E_INVALIDARG), the
  // rasterization service cannot be created.
  Job(const std::string& xpsPath, const JobSettings& settings, brimloft::ComPtr<IPrintWriteStream> writer);
  // Both give the pages whose tickets name no media size their own (GivePagesTheirOwnSize).
  Job(std::shared_ptr<XpsPackage> package, const platform::PrinterDescription& printer,
      const std::map<std::string, std::string>& options, brimloft::ComPtr<IPrintWriteStream> writer);

  // The three arguments of InitializeFilter. The pointers live as long as the Job.
  IInterFilterCommunicator* Communicator() const noexcept { return communicator_.get(); }
  IPrintPipelinePropertyBag* PropertyBag() const noexcept { return bag_.get(); }
  IPrintPipelineManagerControl* Control() const noexcept { return control_.get(); }

  host::PropertyBag& Bag() const noexcept { return *bag_.get(); }
  host::ManagerControl& ControlRecord() const noexcept { return *control_.get(); }
  DocumentProvider& Reader() const noexcept { return *reader_.get(); }
  IPrintWriteStream* Writer() const noexcept { return writer_.get(); }
  const XpsPackage& Package() const noexcept { return *package_; }
  const platform::PrinterDescription& Printer() const noexcept { return printer_; }
  // The variant whose filter class prints this job.
  const std::string& Variant() const noexcept { return printer_.variant; }
  // The user's default ticket as the bag's "PerUserPrintTicket" holds it.
  const std::string& UserTicketXml() const noexcept { return *userTicket_; }
  ULONGLONG UserToken() const noexcept { return token_; }

  // Replaces the bag's "MS_IXpsRasterizationFactory" (VT_UNKNOWN), which the job fills with the
  // platform's rasterization service.
  void SetRasterizationFactory(IUnknown* factory);
  // What the platform's rasterization service heard from the renderer about this job's pages.
  platform::RendererMessages& RendererMessages() const noexcept { return *rendererMessages_; }

 private:
  void Build(const std::map<std::string, std::string>& options);

  std::shared_ptr<const XpsPackage> package_;
  platform::PrinterDescription printer_;
  std::shared_ptr<const std::vector<unsigned char>> userTicketBytes_;
  std::shared_ptr<const std::string> userTicket_;
  ULONGLONG token_ = 0;
  brimloft::ComPtr<IPrintWriteStream> writer_;
  brimloft::ComPtr<DocumentProvider> reader_;
  brimloft::ComPtr<host::PropertyBag> bag_;
  brimloft::ComPtr<host::Communicator> communicator_;
  brimloft::ComPtr<host::ManagerControl> control_;
  brimloft::ComPtr<PrintCoreHelper> coreHelper_;
  std::shared_ptr<platform::RendererMessages> rendererMessages_ = std::make_shared<platform::RendererMessages>();
};

}  // namespace brimloft::host

#endif
