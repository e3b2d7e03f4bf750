// The class factories linked into the test program: the module object count they keep (factories,
// filters, server locks) and CreateInstance's argument checks and results.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>

#include <thread>
#include <vector>

#include "fakes/module_trace_capture.h"
#include "filter/BrimloftFilter.h"
#include "module/ClassFactory.h"
#include "module/ComPtr.h"
#include "module/ModuleCount.h"

namespace brimloft {
namespace {

using testing::Int32Arg;
using testing::NarrowArg;
using testing::ScopedProvider;
using testing::TraceCapture;

void* const kSentinel = reinterpret_cast<void*>(0x5A5A5A5A);

// A factory as DllGetClassObject makes it, owned by the test.
template <int Row>
ComPtr<IClassFactory> NewFactory() {
  return ComPtr<IClassFactory>::Attach(new BrimloftFilterFactory<Row>);
}

class ClassFactoryTest : public ::testing::Test {
 protected:
  void SetUp() override { base_ = ModuleCount(); }
  void TearDown() override { EXPECT_EQ(base_, ModuleCount()) << "the test left objects or locks behind"; }
  LONG Added() const { return ModuleCount() - base_; }
  LONG base_ = 0;
};

TEST_F(ClassFactoryTest, AFactoryCountsWhileItLives) {
  auto factory = NewFactory<0>();
  EXPECT_EQ(1, Added());
  auto second = NewFactory<5>();
  EXPECT_EQ(2, Added());
  factory.reset();
  EXPECT_EQ(1, Added());
}

TEST_F(ClassFactoryTest, TwoLocksOnOneFactoryCountOnce) {
  auto factory = NewFactory<2>();
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(2, Added());
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(2, Added());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(2, Added());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(1, Added());
}

TEST_F(ClassFactoryTest, LocksOnTwoFactoriesCountTwice) {
  auto first = NewFactory<2>();
  auto second = NewFactory<3>();
  ASSERT_EQ(2, Added());
  EXPECT_EQ(S_OK, first->LockServer(TRUE));
  EXPECT_EQ(S_OK, second->LockServer(TRUE));
  EXPECT_EQ(4, Added());
  EXPECT_EQ(S_OK, first->LockServer(FALSE));
  EXPECT_EQ(S_OK, second->LockServer(FALSE));
  EXPECT_EQ(2, Added());
}

TEST_F(ClassFactoryTest, AnUnmatchedUnlockLeavesTheModuleCountAlone) {
  auto factory = ComPtr<BrimloftFilterFactory<4>>::Attach(new BrimloftFilterFactory<4>);
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(-1, factory->LockCount());
  EXPECT_EQ(1, Added());
  // Locking again only brings the lock count back to 0: no lock is held, nothing is counted.
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(0, factory->LockCount());
  EXPECT_EQ(1, Added());
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(2, Added());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(1, Added());
}

TEST_F(ClassFactoryTest, ALockOutlivesItsFactory) {
  auto factory = NewFactory<1>();
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory.reset();
  EXPECT_EQ(1, Added());  // the destructor gives back no lock
  DecrementModuleCount();  // the lock's factory is gone; undo it by hand for the next test
}

TEST_F(ClassFactoryTest, AggregationIsRefusedWithTheOutPointerCleared) {
  TraceCapture capture(TRACE_ERROR);
  ScopedProvider provider;
  auto factory = NewFactory<0>();
  auto outer = ComPtr<IClassFactory>(factory.get());  // any object will do as the outer one
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.get(), IID_IPrintPipelineFilter, nullptr));
  void* out = kSentinel;
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(outer.get(), IID_IUnknown, &out));
  EXPECT_EQ(nullptr, out);  // cleared all the same
  EXPECT_EQ(1, Added());  // no filter was made
  const auto failures = capture.Of(trace_ids::kTraceFailure);
  ASSERT_EQ(2u, failures.size());
  for (auto& f : failures) {
    EXPECT_EQ(Int32Arg(CLASS_E_NOAGGREGATION), f.arguments.at(0));
    EXPECT_EQ(NarrowArg("dllentry"), f.arguments.at(1));
  }
}

TEST_F(ClassFactoryTest, NullOutPointerIsEPointerAndMakesNoFilter) {
  TraceCapture capture(TRACE_ERROR | TRACE_FLOW);
  ScopedProvider provider;
  auto factory = NewFactory<3>();
  EXPECT_EQ(E_POINTER, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, nullptr));
  EXPECT_EQ(1, Added());
  EXPECT_TRUE(capture.Of(trace_ids::kBrimloftFilter).empty());
  const auto failures = capture.Of(trace_ids::kTraceFailure);
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(Int32Arg(E_POINTER), failures[0].arguments.at(0));
}

TEST_F(ClassFactoryTest, TheFilterIsBornWithOneReferenceAndCountsUntilItsFinalRelease) {
  auto factory = NewFactory<2>();
  void* out = kSentinel;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, &out));
  ASSERT_NE(nullptr, out);
  auto* filter = static_cast<IPrintPipelineFilter*>(out);
  EXPECT_EQ(2, Added());
  EXPECT_EQ("RX2P", static_cast<BrimloftFilter*>(filter)->PrinterName());
  EXPECT_EQ(2u, filter->AddRef());
  EXPECT_EQ(1u, filter->Release());
  EXPECT_EQ(0u, filter->Release());
  EXPECT_EQ(1, Added());
}

TEST_F(ClassFactoryTest, TheFilterAnswersIUnknownWithTheSamePointer) {
  auto factory = NewFactory<5>();
  void* asUnknown = kSentinel;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, &asUnknown));
  void* asFilter = kSentinel;
  ASSERT_EQ(S_OK, static_cast<IUnknown*>(asUnknown)->QueryInterface(IID_IPrintPipelineFilter, &asFilter));
  EXPECT_EQ(asUnknown, asFilter);
  EXPECT_EQ(1u, static_cast<IUnknown*>(asFilter)->Release());
  EXPECT_EQ(0u, static_cast<IUnknown*>(asUnknown)->Release());
}

TEST_F(ClassFactoryTest, AnUnsupportedInterfaceDestroysTheNewFilter) {
  TraceCapture capture(TRACE_ERROR | TRACE_FLOW);
  ScopedProvider provider;
  auto factory = NewFactory<1>();
  for (const IID* iid : {&IID_IClassFactory, &IID_IXpsDocumentProvider}) {
    void* out = kSentinel;
    EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, *iid, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(1, Added());
  }
  // Each attempt made a filter (traced), and failed twice: in QueryInterface and in CreateInstance.
  EXPECT_EQ((std::vector<int>{11, 11}), capture.NumbersOf(trace_ids::kDllentry));
  EXPECT_EQ(4u, capture.Of(trace_ids::kTraceFailure).size());
}

TEST_F(ClassFactoryTest, FactoriesAnswerOnlyIUnknownAndIClassFactory) {
  auto factory = NewFactory<0>();
  void* out = kSentinel;
  EXPECT_EQ(E_NOINTERFACE, factory->QueryInterface(IID_IPrintPipelineFilter, &out));
  EXPECT_EQ(nullptr, out);
  ASSERT_EQ(S_OK, factory->QueryInterface(IID_IUnknown, &out));
  EXPECT_EQ(static_cast<void*>(factory.get()), out);
  static_cast<IUnknown*>(out)->Release();
}

TEST_F(ClassFactoryTest, TheCountStaysExactWhenThreadsCreateAndLockAtOnce) {
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 300; ++i) {
        auto factory = NewFactory<3>();
        factory->LockServer(TRUE);
        void* filter = nullptr;
        if (SUCCEEDED(factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, &filter)))
          static_cast<IUnknown*>(filter)->Release();
        factory->LockServer(FALSE);
      }
    });
  }
  for (auto& t : threads) t.join();
  EXPECT_EQ(0, Added());
}

}  // namespace
}  // namespace brimloft
