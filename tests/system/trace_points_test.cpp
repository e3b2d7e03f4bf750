// Trace points: a point whose category is off writes nothing and evaluates none of its arguments;
// arguments are encoded by type.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "fakes/module_trace_capture.h"
#include "module/trace.h"

namespace brimloft {
namespace {

using testing::Int32Arg;
using testing::NarrowArg;
using testing::ScopedProvider;
using testing::TraceCapture;
using testing::Utf16Arg;

int g_evaluated = 0;

int Counted(int value) {
  ++g_evaluated;
  return value;
}

TEST(TracePoints, ACategoryThatIsOffEvaluatesNoArgument) {
  struct Case {
    ULONG enabled;
    int evaluations;
    size_t records;
  } const cases[] = {
      {TRACE_FLOW, 0, 0},
      {TRACE_ERROR | TRACE_FLOW, 0, 0},
      {0x2, 0, 0},
      {TRACE_DETAIL, 2, 1},
      {TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL, 2, 1},
  };
  ScopedProvider provider;
  for (const Case& c : cases) {
    TraceCapture capture(c.enabled);
    g_evaluated = 0;
    BRIMLOFT_TRACE(trace::VariantHeadWidth, std::to_string(Counted(7)), Counted(8));
    EXPECT_EQ(c.evaluations, g_evaluated) << "enabled " << c.enabled;
    const auto records = capture.Of(trace_ids::kBrimloftBitmapHandler);
    ASSERT_EQ(c.records, records.size()) << "enabled " << c.enabled;
    if (c.records) {
      EXPECT_EQ(17, records[0].number);
      EXPECT_EQ((std::vector<std::string>{NarrowArg("7"), Int32Arg(8)}), records[0].arguments);
    }
  }
}

TEST(TracePoints, NothingIsEvaluatedWithoutARegisteredProvider) {
  TraceCapture capture(TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL);
  g_evaluated = 0;
  BRIMLOFT_TRACE(trace::FixedPageReached, Counted(1));
  EXPECT_EQ(0, g_evaluated);
  EXPECT_TRUE(capture.Records().empty());
}

TEST(TracePoints, ArgumentsAreEncodedByType) {
  TraceCapture capture(TRACE_FLOW);
  ScopedProvider provider;
  const std::string narrow = "RX3P";
  const std::wstring wide = L"ab";
  const char* nullNarrow = nullptr;
  // The encodings themselves, beneath the table's rows.
  trace::Write(TraceUnit::BrimloftBitmapHandler, 12, -1, 2u, 0.5, narrow);
  trace::Write(TraceUnit::BrimloftBitmapHandler, 13, wide, std::wstring(), nullNarrow, "");
  const auto records = capture.Of(trace_ids::kBrimloftBitmapHandler);
  ASSERT_EQ(2u, records.size());
  const double half = 0.5;
  EXPECT_EQ((std::vector<std::string>{std::string("\xFF\xFF\xFF\xFF", 4), Int32Arg(2),
                                      std::string(reinterpret_cast<const char*>(&half), 8), NarrowArg("RX3P")}),
            records[0].arguments);
  EXPECT_EQ((std::vector<std::string>{Utf16Arg("ab"), Utf16Arg("<NULL>"), std::string("NULL\0", 5),
                                      std::string(1, '\0')}),
            records[1].arguments);
}

TEST(TracePoints, EachUnitHasItsOwnMessageIdentifier) {
  const TraceUnit units[] = {TraceUnit::dllentry,      TraceUnit::UnknownBase,  TraceUnit::filtertypes,
                             TraceUnit::BrimloftFilter, TraceUnit::PThandler,   TraceUnit::omconvertor,
                             TraceUnit::rasinterface,   TraceUnit::BrimloftBitmapHandler, TraceUnit::throw_hr,
                             TraceUnit::trace_failure};
  for (TraceUnit a : units) {
    EXPECT_NE(trace::kControlGuid, trace::MessageGuid(a));
    for (TraceUnit b : units) {
      if (a != b) {
        EXPECT_NE(trace::MessageGuid(a), trace::MessageGuid(b));
      }
    }
  }
}

TEST(TracePoints, StopAndStartAgainKeepsOneRegistration) {
  TraceCapture capture(TRACE_FLOW);
  {
    ScopedProvider first;
  }
  ScopedProvider second;
  BRIMLOFT_TRACE(trace::ModuleAttached);
  EXPECT_EQ(1u, capture.Records().size());
}

}  // namespace
}  // namespace brimloft
