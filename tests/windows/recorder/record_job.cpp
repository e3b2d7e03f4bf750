// Prints one job through the Linux build of the filter, as brimloft-print does, and writes a job
// record of everything the filter was handed and asked for on the way, with its output bytes, for
// the Windows build to be handed the same under Wine.
// Usage: brimloft-record-job MODULE.so LABEL RECORD JOB.xps PRINTER [NAME=VALUE...]
#include <cstdio>
#include <exception>
#include <string>
#include <thread>

#include "host/failures/host_error.h"
#include "host/package/text.h"
#include "host/pipeline/filter_module.h"
#include "host/pipeline/job.h"
#include "host/pipeline/pipeline_objects.h"
#include "host/pipeline/write_stream.h"
#include "recorder/recording_objects.h"

namespace {

using namespace brimloft;

HRESULT RunFilter(IPrintPipelineFilter* filter, IInterFilterCommunicator* communicator, IPrintPipelinePropertyBag* bag,
                  IPrintPipelineManagerControl* control) {
  const HRESULT init = filter->InitializeFilter(communicator, bag, control);
  if (FAILED(init)) return init;
  HRESULT hr = S_OK;
  std::thread job([&] {
    hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) return;
    hr = filter->StartOperation();
    CoUninitialize();
  });
  job.join();
  return hr;
}

int Record(int argc, char** argv) {
  if (argc < 6) {
    std::fputs("usage: brimloft-record-job MODULE.so LABEL RECORD JOB.xps PRINTER [NAME=VALUE...]\n", stderr);
    return 2;
  }
  host::JobSettings settings;
  settings.printer = argv[5];
  for (int i = 6; i < argc; ++i) {
    const std::string pair = argv[i];
    const std::size_t eq = pair.find('=');
    if (eq == std::string::npos) throw std::runtime_error("option \"" + pair + "\" is not NAME=VALUE");
    settings.options[pair.substr(0, eq)] = pair.substr(eq + 1);
  }
  jobrecord::Job record;
  record.label = argv[2];

  const HRESULT co = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  if (FAILED(co)) throw std::runtime_error("CoInitializeEx failed with " + host::HexHr(co));
  host::FilterModule module(argv[1]);
  auto output = host::MemoryWriteStream::Create();
  host::Job job(argv[4], settings, ComPtr<IPrintWriteStream>(output.get()));
  record.variant = job.Variant();

  const auto provider = recorder::RecordingProvider(&job.Reader(), record);
  const auto communicator = host::Communicator::Create(ComPtr<IUnknown>(provider.get()), ComPtr<IUnknown>(job.Writer()));
  const auto bag = recorder::RecordingBag(job.PropertyBag(), record);
  const auto filter = module.CreateFilter(job.Variant());
  recorder::RecordTicketCallsInto(&record);
  const HRESULT hr = RunFilter(filter.get(), communicator.get(), bag.get(), job.Control());
  recorder::RecordTicketCallsInto(nullptr);
  record.hr = static_cast<std::uint32_t>(hr);
  const auto bytes = output->Bytes();
  record.output.assign(bytes.begin(), bytes.end());
  if (FAILED(hr)) throw std::runtime_error("the job failed with " + host::HexHr(hr));

  std::size_t strips = 0;
  for (const auto& raster : record.rasters) strips += raster.strips.size();
  jobrecord::Save(record, argv[3]);
  std::printf("record %s: %zu parts, %zu ticket calls, %zu pages in %zu strips, %zu bytes printed\n",
              record.label.c_str(), record.parts.size(), record.ticketCalls.size(), record.rasters.size(), strips,
              record.output.size());
  CoUninitialize();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    return Record(argc, argv);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "brimloft-record-job: %s\n", e.what());
    return 1;
  }
}
