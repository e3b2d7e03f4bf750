#include <chrono>
#include <exception>
#include <stdexcept>

#include "host/failures/host_error.h"
#include "host/failures/renderer_report.h"
#include "host/package/xps_package.h"
#include "host/pipeline/filter_module.h"
#include "host/pipeline/job.h"
#include "host/pipeline/job_runner.h"
#include "host/printerapp/device_stream.h"
#include "host/printerapp/document_jobs.h"
#include "host/printerapp/engine_session.h"
#include "host/printerapp/job_context.h"
#include "host/printerapp/job_turn.h"
#include "host/printerapp/printer_variants.h"
#include "platform/printer_description.h"

namespace brimloft::printerapp {

namespace {

// The filter module, loaded once for the life of the process as the spooler keeps it.
const host::FilterModule& Module() {
  static const host::FilterModule module(host::DefaultModulePath());
  return module;
}

}  // namespace

bool PrintXpsJob(pappl_job_t* job, pappl_device_t* device, void*) {
  return PrintInTurn(job, device, [job](pappl_device_t* output) {
    CheckNotCancelledBeforeStart(job);
    PrintOptions options = OptionsOf(job, 0);
    // The filter turns landscape pages onto the roll itself.
    const FeatureTable features = FeaturesOf(job, *options, true);
    const std::string variant = VariantOfPrinter(papplJobGetPrinter(job));
    std::shared_ptr<host::XpsPackage> package = host::XpsPackage::Open(papplJobGetFilename(job));
    papplJobSetImpressions(job, static_cast<int>(package->PageCount()));

    EngineSession session;
    CheckNotCancelledBeforeStart(job);  // again, now that the job holds the engine
    ComPtr<DeviceStream> stream = DeviceStream::Create(output);
    host::Job hostJob(package, platform::BuiltInPrinterDescription(variant), features,
                      ComPtr<IPrintWriteStream>(stream.get()));
    host::PageNumbers pageNumbers;  // written on the job thread, read once it has ended
    hostJob.Reader().OnPart([&pageNumbers](const host::PartEvent& e) { pageNumbers.Note(e); });
    ComPtr<IPrintPipelineFilter> filter = Module().CreateFilter(variant);
    host::JobOutcome outcome;
    const auto started = std::chrono::steady_clock::now();
    {
      host::FilterRun run(filter, hostJob);
      bool stopping = false;
      while (!run.WaitFor(std::chrono::milliseconds(100))) {
        if (!stopping && papplJobIsCanceled(job)) {
          stopping = true;
          run.Shutdown();
        }
      }
      outcome = run.Wait();
    }
    filter.reset();
    stream->Close();
    for (const platform::RendererMessage& m : hostJob.RendererMessages().Take())
      papplLogJob(job, m.error ? PAPPL_LOGLEVEL_ERROR : PAPPL_LOGLEVEL_WARN, "The renderer on %s",
                  host::DescribeRendererMessage(m, pageNumbers).c_str());
    papplLogJob(job, PAPPL_LOGLEVEL_INFO, "The engine printed the XPS document in %lld ms.",
                static_cast<long long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                           std::chrono::steady_clock::now() - started).count()));
    if (FAILED(outcome.hr)) {
      std::string detail = outcome.detail;
      if (detail.empty()) detail = package->LastError();
      if (detail.empty()) detail = stream->LastError();
      throw std::runtime_error("the XPS document could not be printed: " + outcome.step + " returned " +
                               host::HexHr(outcome.hr) + (detail.empty() ? "" : " (" + detail + ")"));
    }
    papplJobSetImpressionsCompleted(job, static_cast<int>(package->PageCount()));
    return true;
  });
}

}  // namespace brimloft::printerapp
