// Whole jobs through the document loop: real packages from the host, the real ticket provider,
// rasterizer and printer output, with the reader and writer wrapped to watch or break them.
#include <gtest/gtest.h>

#include <platform/com_object.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "fakes/scratch_folder.h"
#include "fakes/trace_capture.h"
#include "filter/BrimloftFilter.h"
#include "filter/job_package.h"
#include "host/decoder/stream_decoder.h"
#include "host/pipeline/job.h"
#include "host/pipeline/pipeline_objects.h"
#include "host/pipeline/write_stream.h"

namespace brimloft {
namespace {

// Passes writes on, calling a hook before each.
class WatchedWriter final : public platform::ComObject<IPrintWriteStream, &IID_IPrintWriteStream> {
 public:
  WatchedWriter(ComPtr<IPrintWriteStream> inner, std::function<void(int)> beforeWrite)
      : inner_(std::move(inner)), beforeWrite_(std::move(beforeWrite)) {}
  HRESULT STDMETHODCALLTYPE WriteBytes(const void* buffer, ULONG size, ULONG* written) override {
    beforeWrite_(writes_++);
    return inner_->WriteBytes(buffer, size, written);
  }
  void STDMETHODCALLTYPE Close() override {
    ++closes_;
    inner_->Close();
  }
  int closes_ = 0;

 private:
  ComPtr<IPrintWriteStream> inner_;
  std::function<void(int)> beforeWrite_;
  int writes_ = 0;
};

// Passes parts on until a given call, which fails.
class FailingReader final : public platform::ComObject<IXpsDocumentProvider, &IID_IXpsDocumentProvider> {
 public:
  FailingReader(IXpsDocumentProvider* inner, int failingCall, HRESULT failure)
      : inner_(inner), failingCall_(failingCall), failure_(failure) {}
  HRESULT STDMETHODCALLTYPE GetXpsPart(IUnknown** part) override {
    if (++calls_ == failingCall_) {
      *part = nullptr;
      return failure_;
    }
    return inner_->GetXpsPart(part);
  }

 private:
  ComPtr<IXpsDocumentProvider> inner_;
  int failingCall_;
  HRESULT failure_;
  int calls_ = 0;
};

class DocumentLoopTest : public ::testing::Test {
 protected:
  struct Result {
    HRESULT hr;
    std::vector<int> pages;  // page numbers as the loop counted them
    host::StreamSummary summary;
    int closes;
  };

  // Runs one job of pagesPerDocument on an RX2P filter. The hook sees the filter and the index of
  // each segment before it is written; failingCall makes that GetXpsPart call fail.
  Result Run(const std::vector<int>& pagesPerDocument, std::function<void(BrimloftFilter&, int)> hook = nullptr,
             int failingCall = 0, bool shutDownFirst = false) {
    const std::string path = fakes::MakePackage(scratch_, pagesPerDocument);
    auto memory = host::MemoryWriteStream::Create();
    host::Job job(path, host::JobSettings{}, ComPtr<IPrintWriteStream>(memory.get()));
    auto filter = ComPtr<BrimloftFilter>::Attach(new BrimloftFilter);
    filter->SetPrinterName("RX2P");
    auto writer = ComPtr<WatchedWriter>::Attach(new WatchedWriter(ComPtr<IPrintWriteStream>(memory.get()), [&](int i) {
      if (hook) hook(*filter.get(), i);
    }));
    ComPtr<IXpsDocumentProvider> reader(&job.Reader());
    if (failingCall != 0) {
      reader = ComPtr<IXpsDocumentProvider>::Attach(new FailingReader(&job.Reader(), failingCall, kFailure));
    }
    auto communicator = host::Communicator::Create(ComPtr<IUnknown>(reader.get()), ComPtr<IUnknown>(writer.get()));
    fakes::TraceCapture trace;
    EXPECT_EQ(S_OK, filter->InitializeFilter(communicator.get(), job.PropertyBag(), job.Control()));
    if (shutDownFirst) filter->ShutdownOperation();
    Result result;
    result.hr = filter->StartOperation();
    for (const auto& record : trace.Of(TraceUnit::BrimloftFilter)) {
      if (record.number == 18) result.pages.push_back(fakes::TraceCapture::Int(record.arguments.at(0)));
    }
    const auto bytes = memory->Bytes();
    result.summary = host::DecodeStream(bytes.data(), bytes.size()).summary;
    result.closes = writer->closes_;
    return result;
  }

  static constexpr HRESULT kFailure = static_cast<HRESULT>(0x80070026);  // HRESULT_FROM_WIN32(ERROR_HANDLE_EOF)
  fakes::ScratchFolder scratch_{"loop"};
  fakes::TempFolderOverride tmp_{scratch_.path()};
};

TEST_F(DocumentLoopTest, OneDocumentOfThreePagesPrintsThreeSegmentsAndTheEnd) {
  const Result r = Run({3});
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_EQ((std::vector<int>{1, 2, 3}), r.pages);
  EXPECT_EQ(4u, r.summary.segments);   // one per page, then the end of the job
  EXPECT_EQ(3u, r.summary.fullCuts);   // page-by-page: a cut after every page, none at the end
  EXPECT_GT(r.summary.dots, 0u);
  EXPECT_EQ(1, r.closes);
}

TEST_F(DocumentLoopTest, PagesAreNumberedAcrossDocuments) {
  const Result r = Run({2, 2});
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_EQ((std::vector<int>{1, 2, 3, 4}), r.pages);
  EXPECT_EQ(5u, r.summary.segments);
}

TEST_F(DocumentLoopTest, AnEmptyDocumentWritesOnlyTheEndOfTheJob) {
  const Result r = Run({0});
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_TRUE(r.pages.empty());
  EXPECT_EQ(1u, r.summary.segments);
  EXPECT_EQ(12u, r.summary.totalBytes);
  EXPECT_EQ(1, r.closes);
}

TEST_F(DocumentLoopTest, ShutdownDuringPageTwoOfFiveEndsTheJobCleanly) {
  const Result r = Run({5}, [](BrimloftFilter& filter, int segment) {
    if (segment == 1) filter.ShutdownOperation();  // while page 2's strip is being written
  });
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_EQ((std::vector<int>{1, 2}), r.pages);
  EXPECT_EQ(3u, r.summary.segments);  // pages 1 and 2, then the end of the job
  EXPECT_EQ(1, r.closes);
}

// The pipeline calls ShutdownOperation from a thread of its own while StartOperation runs. The job
// waits inside page 2's write until that call has returned; the handshake is relaxed on purpose, so
// it orders nothing for the sanitizer and the filter's own flag must carry the stop across threads.
// The stopper is joined at the end segment, after the job has seen the stop and before the filter
// goes away.
TEST_F(DocumentLoopTest, ShutdownFromAnotherThreadDuringPageTwoOfFiveEndsTheJobCleanly) {
  std::atomic<bool> stopped{false};
  std::thread stopper;
  const Result r = Run({5}, [&](BrimloftFilter& filter, int segment) {
    if (segment == 2 && stopper.joinable()) stopper.join();
    if (segment != 1) return;
    stopper = std::thread([&filter, &stopped] {
      EXPECT_EQ(S_OK, filter.ShutdownOperation());
      stopped.store(true, std::memory_order_relaxed);
    });
    while (!stopped.load(std::memory_order_relaxed)) std::this_thread::yield();
  });
  if (stopper.joinable()) stopper.join();
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_EQ((std::vector<int>{1, 2}), r.pages);
  EXPECT_EQ(3u, r.summary.segments);  // pages 1 and 2, then the end of the job
  EXPECT_EQ(1, r.closes);
}

TEST_F(DocumentLoopTest, AShutdownBeforeTheStartProcessesNoPartButEndsTheJob) {
  const Result r = Run({2}, nullptr, 0, true);
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_TRUE(r.pages.empty());
  EXPECT_EQ(1u, r.summary.segments);
  EXPECT_EQ(1, r.closes);
}

TEST_F(DocumentLoopTest, AReadFailureAfterPageOneFailsTheJobAfterItsEndSegment) {
  // Calls: sequence, document, page 1, then the failing one.
  const Result r = Run({3}, nullptr, 4);
  EXPECT_EQ(kFailure, r.hr);
  EXPECT_EQ((std::vector<int>{1}), r.pages);
  EXPECT_EQ(2u, r.summary.segments);  // page 1, then the end of the job
  EXPECT_EQ(1u, r.summary.fullCuts);
  EXPECT_EQ(1, r.closes);
}

TEST_F(DocumentLoopTest, AThreadInASingleThreadedApartmentRunsTheJobAndStaysThere) {
  ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
  const Result r = Run({1});
  EXPECT_EQ(S_OK, r.hr);
  EXPECT_EQ(S_FALSE, CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));  // still single-threaded
  CoUninitialize();
  CoUninitialize();
}

TEST_F(DocumentLoopTest, StartingAFilterThatWasNeverInitialisedFailsAndClosesNothing) {
  auto filter = ComPtr<BrimloftFilter>::Attach(new BrimloftFilter);
  EXPECT_EQ(E_UNEXPECTED, filter->StartOperation());
}

}  // namespace
}  // namespace brimloft
