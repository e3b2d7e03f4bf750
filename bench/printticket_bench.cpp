// Costs of the per-page ticket work: the provider's merge, the page settings with the snapshot
// save, and the copy of a pipeline stream.
#include <benchmark/benchmark.h>

#include <prntvpt.h>

#include <platform/printer_description.h>

#include "printticket/PThandler.h"
#include "tests/fakes/fake_pipeline.h"
#include "xps/StreamCopy.h"

#include <cstdlib>
#include <stdexcept>
#include <string>

namespace {

using brimloft::ComPtr;

struct Apartment {
  Apartment() { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  ~Apartment() { CoUninitialize(); }
};

ComPtr<IStream> StreamOf(const std::string& bytes) {
  ComPtr<IStream> stream;
  CreateStreamOnHGlobal(nullptr, TRUE, stream.put());
  ULONG written = 0;
  stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written);
  return stream;
}

void Rewind(IStream* stream) {
  LARGE_INTEGER start;
  start.QuadPart = 0;
  stream->Seek(start, STREAM_SEEK_SET, nullptr);
}

const platform::PrinterDescription& Printer() {
  static const auto printer = platform::BuiltInPrinterDescription("RX2P");
  return printer;
}

void MergeAndValidatePageTicket(benchmark::State& state) {
  Apartment apartment;
  HPTPROVIDER provider = nullptr;
  DWORD used = 0;
  if (FAILED(PTOpenProviderEx(L"RX2P", 1, 1, &provider, &used))) throw std::runtime_error("no provider");
  auto base = StreamOf(platform::DefaultTicketXml(Printer()));
  auto delta = StreamOf(platform::DefaultTicketXml(Printer(), {{"QVDither", "2x2"}, {"PageOrientation", "Landscape"}}));
  for (auto _ : state) {
    Rewind(base.get());
    Rewind(delta.get());
    auto result = StreamOf("");
    const HRESULT hr = PTMergeAndValidatePrintTicket(provider, base.get(), delta.get(), kPTPageScope, result.get(), nullptr);
    if (FAILED(hr)) state.SkipWithError("merge failed");
  }
  PTCloseProvider(provider);
}
BENCHMARK(MergeAndValidatePageTicket);

void PageSettingsWithSnapshot(benchmark::State& state) {
  Apartment apartment;
  char folder[] = "/tmp/brimloft-bench-XXXXXX";
  if (!mkdtemp(folder)) throw std::runtime_error("no folder");
  setenv("TMPDIR", folder, 1);
  auto bag = brimloft::fakes::Make<brimloft::fakes::FakeJobPropertyBag>();
  bag->SetTicketSource(platform::DefaultTicketXml(Printer(), {{"PageOrientation", "Landscape"}}), L"RX2P", 0);
  auto handler = brimloft::PThandler::Create(bag.get());
  auto sequence = brimloft::fakes::Make<brimloft::fakes::FakeSequence>();
  auto document = brimloft::fakes::Make<brimloft::fakes::FakeDocument>();
  auto page = brimloft::fakes::Make<brimloft::fakes::FakePage>();
  handler->MergeJobTicket(sequence.get());
  handler->MergeDocumentTicket(document.get());
  handler->MergePageTicket(page.get());
  brimloft::PageSettings settings;
  for (auto _ : state) {
    handler->GetPageSettings(settings);
    benchmark::DoNotOptimize(settings);
  }
  unsetenv("TMPDIR");
}
BENCHMARK(PageSettingsWithSnapshot);

void CopyPipelineStream(benchmark::State& state) {
  Apartment apartment;
  const std::string bytes(static_cast<size_t>(state.range(0)), 'x');
  auto source = brimloft::fakes::Make<brimloft::fakes::FakeReadStream>(bytes);
  source->maxChunk = 65536;
  for (auto _ : state) benchmark::DoNotOptimize(brimloft::CopyToMemoryStream(source.get()));
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(CopyPipelineStream)->Arg(4 << 10)->Arg(1 << 20);

}  // namespace
