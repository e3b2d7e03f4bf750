// The module through its exports, loaded from its shared library as the pipeline loads it: the six
// classes and their variant codes, unknown classes and interfaces, the unload rule and server locks,
// with the trace records that prove which factory did the work.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>

#include <filterpipeline.h>

#include <string>
#include <vector>

#include "fakes/loaded_module.h"
#include "fakes/module_trace_capture.h"
#include "module/ClassIds.h"
#include "module/trace_ids.h"

namespace brimloft {
namespace {

using testing::Int32Arg;
using testing::LoadedModule;
using testing::NarrowArg;
using testing::TraceCapture;
using testing::Utf16Arg;

void* const kSentinel = reinterpret_cast<void*>(0x5A5A5A5A);
constexpr ULONG kAllCategories = TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL;

// {6E1D5A21-3C4B-4F0E-9A51-0B7C2D8E4100}: one below the first class id, no class of the module.
constexpr CLSID kNoSuchClass = {0x6e1d5a21, 0x3c4b, 0x4f0e, {0x9a, 0x51, 0x0b, 0x7c, 0x2d, 0x8e, 0x41, 0x00}};

struct Row {
  const CLSID* clsid;
  const char* code;
  int classObjectTrace;
  int filterCreatedTrace;
};

const Row kRows[] = {
    {&CLSID_BrimloftFilterRX3P, "RX3P", 16, 10}, {&CLSID_BrimloftFilterRX3Q, "RX3Q", 17, 11},
    {&CLSID_BrimloftFilterRX2P, "RX2P", 18, 12}, {&CLSID_BrimloftFilterRX2Q, "RX2Q", 19, 13},
    {&CLSID_BrimloftFilterRX1P, "RX1P", 20, 14}, {&CLSID_BrimloftFilterRX1Q, "RX1Q", 21, 15},
};

// A record as (unit, number), for comparing sequences.
struct Point {
  GUID unit;
  int number;
  bool operator==(const Point& o) const { return unit == o.unit && number == o.number; }
};

std::vector<Point> PointsOf(const std::vector<testing::Record>& records) {
  std::vector<Point> out;
  for (auto& r : records) out.push_back({r.messageGuid, r.number});
  return out;
}

void PrintTo(const Point& p, std::ostream* os) {
  const GUID* units[] = {&trace_ids::kDllentry, &trace_ids::kUnknownBase, &trace_ids::kBrimloftFilter,
                         &trace_ids::kThrowHr, &trace_ids::kTraceFailure};
  const char* names[] = {"dllentry", "UnknownBase", "BrimloftFilter", "throw_hr", "trace_failure"};
  const char* name = "other unit";
  for (int i = 0; i < 5; ++i)
    if (p.unit == *units[i]) name = names[i];
  *os << name << " " << p.number;
}

TEST(ModuleExports, LoadAndUnloadWriteTheAttachAndDetachRecords) {
  TraceCapture capture(TRACE_FLOW);
  {
    LoadedModule module;
    ASSERT_TRUE(module.Loaded());
    EXPECT_EQ(std::vector<int>{22}, capture.NumbersOf(trace_ids::kDllentry));
  }
  EXPECT_EQ((std::vector<int>{22, 23}), capture.NumbersOf(trace_ids::kDllentry));
}

TEST(ModuleExports, EachClassMakesFiltersNamedAfterItsVariant) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.code);
    TraceCapture capture(kAllCategories);
    void* factoryOut = kSentinel;
    ASSERT_EQ(S_OK, module.DllGetClassObject(*row.clsid, IID_IClassFactory, &factoryOut));
    ASSERT_NE(nullptr, factoryOut);
    auto* factory = static_cast<IClassFactory*>(factoryOut);
    void* filterOut = kSentinel;
    ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, &filterOut));
    ASSERT_NE(nullptr, filterOut);
    auto* filter = static_cast<IPrintPipelineFilter*>(filterOut);

    const std::vector<Point> expected = {{trace_ids::kDllentry, row.classObjectTrace},
                                         {trace_ids::kDllentry, row.filterCreatedTrace},
                                         {trace_ids::kBrimloftFilter, 15}};
    EXPECT_EQ(expected, PointsOf(capture.Records()));
    const auto named = capture.Of(trace_ids::kBrimloftFilter);
    ASSERT_EQ(1u, named.size());
    EXPECT_EQ((std::vector<std::string>{NarrowArg("Setting printer name as "), NarrowArg(row.code)}),
              named[0].arguments);
    EXPECT_TRUE(capture.Of(trace_ids::kDllentry)[0].arguments.empty());

    // Born with one reference, which the caller now holds.
    EXPECT_EQ(2u, filter->AddRef());
    EXPECT_EQ(1u, filter->Release());
    EXPECT_EQ(0u, filter->Release());
    EXPECT_EQ(0u, factory->Release());
    EXPECT_EQ(S_OK, module.DllCanUnloadNow());
  }
}

TEST(ModuleExports, AClassObjectAnswersIUnknownAndEveryCallMakesANewOne) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  void* first = kSentinel;
  void* second = kSentinel;
  ASSERT_EQ(S_OK, module.DllGetClassObject(CLSID_BrimloftFilterRX2P, IID_IUnknown, &first));
  ASSERT_EQ(S_OK, module.DllGetClassObject(CLSID_BrimloftFilterRX2P, IID_IClassFactory, &second));
  EXPECT_NE(first, second);
  void* asFactory = nullptr;
  ASSERT_EQ(S_OK, static_cast<IUnknown*>(first)->QueryInterface(IID_IClassFactory, &asFactory));
  EXPECT_EQ(first, asFactory);
  static_cast<IUnknown*>(asFactory)->Release();
  EXPECT_EQ(0u, static_cast<IUnknown*>(first)->Release());
  EXPECT_EQ(0u, static_cast<IUnknown*>(second)->Release());
  EXPECT_EQ(S_OK, module.DllCanUnloadNow());
}

TEST(ModuleExports, UnknownClassIsNotAvailableAndTracesTheFailure) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  TraceCapture capture(kAllCategories);
  for (const CLSID* clsid : {&kNoSuchClass, &IID_IClassFactory}) {
    void* out = kSentinel;
    EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE, module.DllGetClassObject(*clsid, IID_IClassFactory, &out));
    EXPECT_EQ(nullptr, out);
  }
  EXPECT_EQ(S_OK, module.DllCanUnloadNow());
  const auto failures = capture.Of(trace_ids::kTraceFailure);
  ASSERT_EQ(2u, failures.size());
  EXPECT_EQ(Int32Arg(CLASS_E_CLASSNOTAVAILABLE), failures[0].arguments.at(0));
  EXPECT_EQ(NarrowArg("dllentry"), failures[0].arguments.at(1));
  EXPECT_EQ(Utf16Arg("<NULL>"), failures[0].arguments.at(3));
  EXPECT_TRUE(capture.Of(trace_ids::kDllentry).empty());  // no class object was requested
}

TEST(ModuleExports, UnsupportedInterfaceLeavesNoFactoryBehind) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  for (const Row& row : kRows) {
    SCOPED_TRACE(row.code);
    TraceCapture capture(kAllCategories);
    void* out = kSentinel;
    EXPECT_EQ(E_NOINTERFACE, module.DllGetClassObject(*row.clsid, IID_IPrintPipelineFilter, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(S_OK, module.DllCanUnloadNow());
    // Traced twice: by the object's QueryInterface and by DllGetClassObject.
    const auto failures = capture.Of(trace_ids::kTraceFailure);
    ASSERT_EQ(2u, failures.size());
    EXPECT_EQ(NarrowArg("UnknownBase"), failures[0].arguments.at(1));
    EXPECT_EQ(NarrowArg("dllentry"), failures[1].arguments.at(1));
    for (auto& f : failures) EXPECT_EQ(Int32Arg(E_NOINTERFACE), f.arguments.at(0));
  }
}

TEST(ModuleExports, NullOutPointerIsEPointer) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  TraceCapture capture(TRACE_ERROR);
  EXPECT_EQ(E_POINTER, module.DllGetClassObject(CLSID_BrimloftFilterRX1P, IID_IClassFactory, nullptr));
  EXPECT_EQ(S_OK, module.DllCanUnloadNow());
  const auto failures = capture.Of(trace_ids::kTraceFailure);
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(Int32Arg(E_POINTER), failures[0].arguments.at(0));
}

TEST(ModuleExports, CanUnloadOnlyWhenNoFactoryFilterOrLockRemains) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  EXPECT_EQ(S_OK, module.DllCanUnloadNow());

  void* out = nullptr;
  ASSERT_EQ(S_OK, module.DllGetClassObject(CLSID_BrimloftFilterRX3Q, IID_IClassFactory, &out));
  auto* factory = static_cast<IClassFactory*>(out);
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());

  void* filter = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, &filter));
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  factory->AddRef();  // keep the factory to undo its locks
  EXPECT_EQ(1u, factory->Release());
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());

  static_cast<IUnknown*>(filter)->Release();
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());  // the factory and its locks
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());  // the factory itself
  EXPECT_EQ(0u, factory->Release());
  EXPECT_EQ(S_OK, module.DllCanUnloadNow());
}

TEST(ModuleExports, AServerLockOutlivesItsFactory) {
  LoadedModule module;
  ASSERT_TRUE(module.Loaded());
  void* out = nullptr;
  ASSERT_EQ(S_OK, module.DllGetClassObject(CLSID_BrimloftFilterRX1Q, IID_IClassFactory, &out));
  auto* factory = static_cast<IClassFactory*>(out);
  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  void* filter = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IPrintPipelineFilter, &filter));
  // The filter keeps the module loaded after its factory is gone; so does the lock.
  EXPECT_EQ(0u, factory->Release());
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());
  EXPECT_EQ(0u, static_cast<IUnknown*>(filter)->Release());
  EXPECT_EQ(S_FALSE, module.DllCanUnloadNow());
  // A lock can only be undone on its own factory, which is gone: this module stays loaded, and
  // the unload below only takes this test's copy of it away.
}

}  // namespace
}  // namespace brimloft
