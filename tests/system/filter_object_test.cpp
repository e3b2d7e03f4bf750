// The filter object: construction and destruction, the printer name, InitializeFilter against fake
// pipeline objects, and ShutdownOperation, with the records each writes.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>

#include <string>
#include <vector>

#include "fakes/module_fakes.h"
#include "fakes/module_trace_capture.h"
#include "filter/BrimloftFilter.h"
#include "module/ComPtr.h"
#include "module/ModuleCount.h"

namespace brimloft {
namespace {

using testing::Int32Arg;
using testing::NarrowArg;
using testing::ScopedProvider;
using testing::TraceCapture;

constexpr ULONG kAllCategories = TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL;

// The pipeline's side of one job: a communicator handing out a reader and a writer, a property
// bag and the manager control. The test keeps the birth reference of each.
struct Pipeline {
  explicit Pipeline(IUnknown* readerObject = new fakes::XpsReader, IUnknown* writerObject = new fakes::Writer)
      : reader(readerObject), writer(writerObject), communicator(new fakes::Communicator(reader, writer)) {}
  ~Pipeline() {
    communicator->Release();
    bag->Release();
    control->Release();
    reader->Release();
    writer->Release();
  }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  ULONG ReaderRefs() { return Refs(reader); }
  ULONG WriterRefs() { return Refs(writer); }
  static ULONG Refs(IUnknown* p) {
    p->AddRef();
    return p->Release();
  }

  IUnknown* reader;
  IUnknown* writer;
  fakes::Communicator* communicator;
  fakes::PropertyBag* bag = new fakes::PropertyBag;
  fakes::PipelineControl* control = new fakes::PipelineControl;
};

class FilterTest : public ::testing::Test {
 protected:
  void SetUp() override { base_ = ModuleCount(); }
  void TearDown() override { EXPECT_EQ(base_, ModuleCount()); }

  static ComPtr<BrimloftFilter> NewFilter() { return ComPtr<BrimloftFilter>::Attach(new BrimloftFilter); }

  TraceCapture capture_{kAllCategories};
  ScopedProvider provider_;
  LONG base_ = 0;
};

TEST_F(FilterTest, ANeverInitialisedFilterCountsAndReleasesCleanly) {
  auto filter = NewFilter();
  EXPECT_EQ(base_ + 1, ModuleCount());
  EXPECT_EQ("", filter->PrinterName());
  EXPECT_EQ(0u, filter->Release());
  filter.Detach();
  EXPECT_EQ(base_, ModuleCount());
  EXPECT_TRUE(capture_.Of(trace_ids::kTraceFailure).empty());
}

TEST_F(FilterTest, SetPrinterNameKeepsAndTracesTheCode) {
  auto filter = NewFilter();
  filter->SetPrinterName("RX1Q");
  EXPECT_EQ("RX1Q", filter->PrinterName());
  const auto records = capture_.Of(trace_ids::kBrimloftFilter);
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(15, records[0].number);
  EXPECT_EQ((std::vector<std::string>{NarrowArg("Setting printer name as "), NarrowArg("RX1Q")}),
            records[0].arguments);
}

TEST_F(FilterTest, ANullArgumentIsEPointerWithoutExitRecord) {
  for (int missing = 0; missing < 3; ++missing) {
    SCOPED_TRACE("argument " + std::to_string(missing) + " null");
    capture_.Restart();
    auto& capture = capture_;
    Pipeline pipeline;
    auto filter = NewFilter();
    EXPECT_EQ(E_POINTER, filter->InitializeFilter(missing == 0 ? nullptr : pipeline.communicator,
                                                  missing == 1 ? nullptr : pipeline.bag,
                                                  missing == 2 ? nullptr : pipeline.control));
    EXPECT_EQ(std::vector<int>{10}, capture.NumbersOf(trace_ids::kBrimloftFilter));
    const auto failures = capture.Of(trace_ids::kTraceFailure);
    ASSERT_EQ(1u, failures.size());
    EXPECT_EQ(Int32Arg(E_POINTER), failures[0].arguments.at(0));
    EXPECT_EQ(NarrowArg("BrimloftFilter"), failures[0].arguments.at(1));
    EXPECT_EQ(0, pipeline.communicator->readerCalls);
    EXPECT_EQ(1u, pipeline.bag->Refs());
    EXPECT_EQ(1u, pipeline.communicator->Refs());
  }
}

TEST_F(FilterTest, SuccessHoldsReaderWriterAndBagButNotTheControl) {
  Pipeline pipeline;
  auto filter = NewFilter();
  EXPECT_EQ(S_OK, filter->InitializeFilter(pipeline.communicator, pipeline.bag, pipeline.control));
  EXPECT_EQ((std::vector<int>{10, 12, 11}), capture_.NumbersOf(trace_ids::kBrimloftFilter));
  EXPECT_TRUE(capture_.Of(trace_ids::kTraceFailure).empty());
  EXPECT_TRUE(capture_.Of(trace_ids::kThrowHr).empty());
  EXPECT_EQ(1, pipeline.communicator->readerCalls);
  EXPECT_EQ(1, pipeline.communicator->writerCalls);
  EXPECT_EQ(2u, pipeline.communicator->refsDuringRequest);  // held by the filter while in use
  EXPECT_EQ(2u, pipeline.ReaderRefs());
  EXPECT_EQ(2u, pipeline.WriterRefs());
  EXPECT_EQ(2u, pipeline.bag->Refs());
  EXPECT_EQ(1u, pipeline.communicator->Refs());
  EXPECT_EQ(1u, pipeline.control->Refs());
  EXPECT_EQ(0, pipeline.control->calls);

  filter.reset();
  EXPECT_EQ(1u, pipeline.ReaderRefs());
  EXPECT_EQ(1u, pipeline.WriterRefs());
  EXPECT_EQ(1u, pipeline.bag->Refs());
}

// Objects are asked for the interface they are called through; one that does not answer, or no
// object at all, fails the call with a record naming the side, and the filter keeps nothing.
TEST_F(FilterTest, AReaderOrWriterWithoutItsInterfaceIsRefusedAndNothingIsKept) {
  struct Case {
    const char* name;
    bool streamReader;
    bool opaqueWriter;
    bool nullReader;
    bool nullWriter;
    HRESULT expected;
    int record;
  } const cases[] = {
      {"a reader that is only a byte stream", true, false, false, false, E_NOINTERFACE, 19},
      {"a writer that is only an IUnknown", false, true, false, false, E_NOINTERFACE, 20},
      {"no reader object", false, false, true, false, E_POINTER, 19},
      {"no writer object", false, false, false, true, E_POINTER, 20},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    capture_.Restart();
    auto& capture = capture_;
    Pipeline pipeline(c.streamReader ? static_cast<IUnknown*>(new fakes::StreamReader) : new fakes::XpsReader,
                      c.opaqueWriter ? static_cast<IUnknown*>(new fakes::OpaqueWriter) : new fakes::Writer);
    pipeline.communicator->nullReader = c.nullReader;
    pipeline.communicator->nullWriter = c.nullWriter;
    auto filter = NewFilter();
    EXPECT_EQ(c.expected, filter->InitializeFilter(pipeline.communicator, pipeline.bag, pipeline.control));
    EXPECT_EQ((std::vector<int>{10, 12, c.record, 11}), capture.NumbersOf(trace_ids::kBrimloftFilter));
    const auto thrown = capture.Of(trace_ids::kThrowHr);
    ASSERT_EQ(1u, thrown.size());
    EXPECT_EQ(NarrowArg("BrimloftFilter"), thrown[0].arguments.at(0));
    EXPECT_EQ(Int32Arg(c.expected), thrown[0].arguments.at(2));
    EXPECT_EQ(1u, pipeline.ReaderRefs());
    EXPECT_EQ(1u, pipeline.WriterRefs());
    EXPECT_EQ(1u, pipeline.bag->Refs());
    EXPECT_EQ(E_UNEXPECTED, filter->StartOperation());  // nothing to run a job with
  }
}

TEST_F(FilterTest, FailuresOfRequestReaderAndRequestWriterAreReturned) {
  struct Case {
    HRESULT reader;
    HRESULT writer;
    HRESULT expected;
    int writerCalls;
  } const cases[] = {
      {E_ACCESSDENIED, S_OK, E_ACCESSDENIED, 0},
      {E_OUTOFMEMORY, S_OK, E_OUTOFMEMORY, 0},
      {S_OK, E_FAIL, E_FAIL, 1},
      {S_OK, HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE), HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE), 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << c.expected);
    capture_.Restart();
    auto& capture = capture_;
    Pipeline pipeline;
    pipeline.communicator->readerResult = c.reader;
    pipeline.communicator->writerResult = c.writer;
    auto filter = NewFilter();
    EXPECT_EQ(c.expected, filter->InitializeFilter(pipeline.communicator, pipeline.bag, pipeline.control));
    EXPECT_EQ(c.writerCalls, pipeline.communicator->writerCalls);
    EXPECT_EQ((std::vector<int>{10, 12, 11}), capture.NumbersOf(trace_ids::kBrimloftFilter));
    const auto thrown = capture.Of(trace_ids::kThrowHr);
    ASSERT_EQ(1u, thrown.size());
    EXPECT_EQ(Int32Arg(c.expected), thrown[0].arguments.at(2));
    filter.reset();
    EXPECT_EQ(1u, pipeline.ReaderRefs());
    EXPECT_EQ(1u, pipeline.WriterRefs());
    EXPECT_EQ(1u, pipeline.bag->Refs());
    EXPECT_EQ(1u, pipeline.communicator->Refs());
  }
}

TEST_F(FilterTest, ShutdownOperationAlwaysSucceedsAndTracesEachCall) {
  auto filter = NewFilter();
  EXPECT_EQ(S_OK, filter->ShutdownOperation());
  EXPECT_EQ(S_OK, filter->ShutdownOperation());
  EXPECT_EQ((std::vector<int>{13, 13}), capture_.NumbersOf(trace_ids::kBrimloftFilter));
}

TEST_F(FilterTest, ShutdownOperationAfterInitialisationTouchesNothingElse) {
  Pipeline pipeline;
  auto filter = NewFilter();
  ASSERT_EQ(S_OK, filter->InitializeFilter(pipeline.communicator, pipeline.bag, pipeline.control));
  EXPECT_EQ(S_OK, filter->ShutdownOperation());
  EXPECT_EQ(2u, pipeline.ReaderRefs());
  EXPECT_EQ(2u, pipeline.WriterRefs());
  EXPECT_EQ(0, static_cast<fakes::Writer*>(pipeline.writer)->closes);
  EXPECT_EQ(0, pipeline.control->calls);
}

TEST_F(FilterTest, AnswersItsInterfaceAndIUnknownOnly) {
  auto filter = NewFilter();
  void* asFilter = nullptr;
  void* asUnknown = nullptr;
  ASSERT_EQ(S_OK, filter->QueryInterface(IID_IPrintPipelineFilter, &asFilter));
  ASSERT_EQ(S_OK, filter->QueryInterface(IID_IUnknown, &asUnknown));
  EXPECT_EQ(asFilter, asUnknown);
  EXPECT_EQ(static_cast<void*>(static_cast<IPrintPipelineFilter*>(filter.get())), asFilter);
  static_cast<IUnknown*>(asFilter)->Release();
  static_cast<IUnknown*>(asUnknown)->Release();
  void* other = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(E_NOINTERFACE, filter->QueryInterface(IID_IXpsRasterizerNotificationCallback, &other));
  EXPECT_EQ(nullptr, other);
}

}  // namespace
}  // namespace brimloft
