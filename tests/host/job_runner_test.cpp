// Running a filter as the pipeline does, with a filter of the test's own that walks the job
// through the host's interfaces, and loading the real filter module.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "host/failures/host_error.h"
#include "host/pipeline/filter_module.h"
#include "host/pipeline/job_runner.h"
#include "host/pipeline/write_stream.h"
#include "host_test_util.h"


namespace {

using brimloft::ComPtr;

// Writes one line per part it reads ("S", "D", "P <uri> <bytes>") until the parts end or it is
// told to stop; pauses on each page while `hold` is set.
class WalkingFilter final : public platform::ComObject<IPrintPipelineFilter, &IID_IPrintPipelineFilter> {
 public:
  std::atomic<bool> hold{false};
  std::atomic<int> pagesSeen{0};
  std::atomic<bool> initialisedElsewhere{false};

  HRESULT STDMETHODCALLTYPE InitializeFilter(IInterFilterCommunicator* comm, IPrintPipelinePropertyBag* bag,
                                             IPrintPipelineManagerControl* control) override {
    if (!comm || !bag || !control) return E_POINTER;
    initThread_ = std::this_thread::get_id();
    void* reader = nullptr;
    void* writer = nullptr;
    HRESULT hr = comm->RequestReader(&reader);
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> r = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(reader));
    hr = comm->RequestWriter(&writer);
    if (FAILED(hr)) return hr;
    ComPtr<IUnknown> w = ComPtr<IUnknown>::Attach(static_cast<IUnknown*>(writer));
    hr = r->QueryInterface(IID_IXpsDocumentProvider, reader_.put_void());
    if (FAILED(hr)) return hr;
    return w->QueryInterface(IID_IPrintWriteStream, writer_.put_void());
  }
  HRESULT STDMETHODCALLTYPE ShutdownOperation() override {
    alive_ = false;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE StartOperation() override {
    initialisedElsewhere = std::this_thread::get_id() != initThread_;
    // The job thread is already in the multithreaded apartment.
    const HRESULT co = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (co != S_FALSE && co != S_OK) return E_UNEXPECTED;
    CoUninitialize();
    HRESULT result = S_OK;
    while (alive_) {
      IUnknown* raw = nullptr;
      result = reader_->GetXpsPart(&raw);
      if (FAILED(result) || raw == nullptr) break;
      ComPtr<IUnknown> part = ComPtr<IUnknown>::Attach(raw);
      ComPtr<IFixedPage> page;
      std::string line;
      if (SUCCEEDED(part->QueryInterface(IID_IFixedPage, page.put_void()))) {
        ++pagesSeen;
        while (hold && alive_) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        BSTR uri = nullptr;
        page->GetUri(&uri);
        ComPtr<IPrintReadStream> stream;
        page->GetStream(stream.put());
        ULONGLONG size = 0;
        stream->Seek(0, STREAM_SEEK_END, &size);
        line = "P " + std::string(uri, uri + SysStringLen(uri)) + " " + std::to_string(size) + "\n";
        SysFreeString(uri);
      } else {
        ComPtr<IFixedDocument> doc;
        line = SUCCEEDED(part->QueryInterface(IID_IFixedDocument, doc.put_void())) ? "D\n" : "S\n";
      }
      result = writer_->WriteBytes(line.data(), static_cast<ULONG>(line.size()), nullptr);
      if (FAILED(result)) break;
    }
    writer_->Close();
    return result;
  }

 private:
  std::atomic<bool> alive_{true};
  std::thread::id initThread_;
  ComPtr<IXpsDocumentProvider> reader_;
  ComPtr<IPrintWriteStream> writer_;
};

std::string Output(const ComPtr<host::MemoryWriteStream>& out) {
  const auto bytes = out->Bytes();
  return std::string(bytes.begin(), bytes.end());
}

TEST(HostFilterRun, RunsTheJobOnAThreadOfItsOwn) {
  auto out = host::MemoryWriteStream::Create();
  host::Job job(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>(out.get()));
  auto filter = ComPtr<WalkingFilter>::Attach(new WalkingFilter());
  const host::JobOutcome outcome = host::RunFilter(ComPtr<IPrintPipelineFilter>(filter.get()), job);
  EXPECT_EQ(outcome.hr, S_OK);
  EXPECT_EQ(outcome.step, "");
  EXPECT_TRUE(filter->initialisedElsewhere);
  EXPECT_EQ(Output(out), "S\nD\nP /Documents/1/Pages/1.fpage 2296\nP /Documents/1/Pages/2.fpage 7114\n"
                         "P /Documents/1/Pages/3.fpage 7050\n");
  EXPECT_EQ(out->CloseCount(), 1);
}

TEST(HostFilterRun, ShutdownStopsTheJobBetweenParts) {
  auto out = host::MemoryWriteStream::Create();
  host::Job job(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>(out.get()));
  auto filter = ComPtr<WalkingFilter>::Attach(new WalkingFilter());
  filter->hold = true;
  host::FilterRun run(ComPtr<IPrintPipelineFilter>(filter.get()), job);
  while (filter->pagesSeen == 0) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  EXPECT_FALSE(run.WaitFor(std::chrono::milliseconds(20)));
  EXPECT_EQ(run.Shutdown(), S_OK);
  const host::JobOutcome outcome = run.Wait();
  EXPECT_EQ(outcome.hr, S_OK);
  EXPECT_EQ(filter->pagesSeen, 1);
  EXPECT_EQ(job.Reader().Calls(), 3u);
  EXPECT_EQ(out->CloseCount(), 1);
}

TEST(HostFilterRun, FailuresNameTheirStep) {
  auto out = host::MemoryWriteStream::Create();
  out->FailBeyond(4, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
  host::Job job(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>(out.get()));
  auto filter = ComPtr<WalkingFilter>::Attach(new WalkingFilter());
  const host::JobOutcome failed = host::RunFilter(ComPtr<IPrintPipelineFilter>(filter.get()), job);
  EXPECT_EQ(failed.hr, HRESULT_FROM_WIN32(ERROR_DISK_FULL));
  EXPECT_EQ(failed.step, "StartOperation");

  // A job without a writer: InitializeFilter fails and no thread runs.
  host::Job noWriter(host_test::SamplePath("testPPT.xps"), {}, ComPtr<IPrintWriteStream>());
  auto second = ComPtr<WalkingFilter>::Attach(new WalkingFilter());
  host::FilterRun run(ComPtr<IPrintPipelineFilter>(second.get()), noWriter);
  EXPECT_TRUE(run.WaitFor(std::chrono::milliseconds(0)));
  const host::JobOutcome outcome = run.Wait();
  EXPECT_EQ(outcome.hr, E_NOINTERFACE);
  EXPECT_EQ(outcome.step, "InitializeFilter");
}

TEST(FilterModule, CreatesEveryVariantsFilter) {
  host::FilterModule module(BRIMLOFT_MODULE_PATH);
  for (const char* variant : {"RX1P", "RX1Q", "RX2P", "RX2Q", "RX3P", "RX3Q"}) {
    ComPtr<IPrintPipelineFilter> filter = module.CreateFilter(variant);
    ASSERT_TRUE(filter) << variant;
    EXPECT_EQ(filter->ShutdownOperation(), S_OK);
  }
  try {
    module.CreateFilter("RX4P");
    ADD_FAILURE();
  } catch (const host::HostError& e) {
    EXPECT_EQ(e.hr(), E_INVALIDARG);
  }
}

TEST(FilterModule, UnloadableModulesSayWhy) {
  const struct {
    std::string path;
    const char* says;
  } cases[] = {{"", "BRIMLOFT_MODULE"},
               {"/nonexistent/brimloft_filter.so", "/nonexistent/brimloft_filter.so"},
               {host_test::SamplePath("README.md"), "README.md"}};
  for (const auto& c : cases) {
    try {
      host::FilterModule module(c.path);
      ADD_FAILURE() << c.path;
    } catch (const host::HostError& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
  }
}

}  // namespace
