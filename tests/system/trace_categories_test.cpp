// The module's trace provider under a trace session: categories, record identity and encodings.
#include <gtest/gtest.h>

#include <platform/trace_controller.h>

#include "module/filtertypes.h"
#include "module/trace.h"
#include "module/trace_ids.h"

namespace {

using platform::trace::Record;
using platform::trace::Session;
namespace ids = brimloft::trace_ids;

constexpr ULONG kRecordFlags =
    TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;

std::string Int32(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Narrow(const char* s) { return std::string(s, std::strlen(s) + 1); }
std::string Utf16(const char* ascii) {
  std::string out;
  for (const char* p = ascii;; ++p) {
    out.push_back(*p);
    out.push_back('\0');
    if (!*p) return out;
  }
}

class TraceCategories : public testing::Test {
 protected:
  void SetUp() override { brimloft::trace::Start("KelmoranBrimloftFilter"); }
  void TearDown() override { brimloft::trace::Stop(); }

  int evaluated_ = 0;
  int Counted(int v) {
    ++evaluated_;
    return v;
  }
};

TEST_F(TraceCategories, NothingIsWrittenOrEvaluatedUntilEnabled) {
  auto session = Session::StartInMemory();
  EXPECT_FALSE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW));
  BRIMLOFT_TRACE(brimloft::trace::FixedPageReached, Counted(1));
  EXPECT_EQ(0, evaluated_);
  EXPECT_TRUE(session->Records().empty());
}

TEST(TraceRestart, AProviderStoppedWhileEnabledStartsAgainDisabled) {
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_VERBOSE, brimloft::TRACE_FLOW));
  brimloft::trace::Start("KelmoranBrimloftFilter");
  EXPECT_TRUE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW));
  brimloft::trace::Stop();
  session->Stop();  // unheard: the provider is gone
  brimloft::trace::Start("KelmoranBrimloftFilter");
  EXPECT_FALSE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW));
  brimloft::trace::Stop();
}

TEST_F(TraceCategories, OnlyEnabledCategoriesWrite) {
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_VERBOSE,
                                           brimloft::TRACE_FLOW | brimloft::TRACE_ERROR));
  EXPECT_TRUE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW));
  EXPECT_TRUE(brimloft::trace::IsEnabled(brimloft::TRACE_ERROR));
  EXPECT_FALSE(brimloft::trace::IsEnabled(brimloft::TRACE_DETAIL));
  EXPECT_FALSE(brimloft::trace::IsEnabled(0x2));

  BRIMLOFT_TRACE(brimloft::trace::FixedPageReached, Counted(2));
  EXPECT_EQ(0, evaluated_) << "a disabled trace point evaluates no argument";
  BRIMLOFT_TRACE(brimloft::trace::PrinterNameSet, "Setting printer name as ", std::string("RX1Q"));

  const auto records = session->Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(kRecordFlags, records[0].flags);
  EXPECT_TRUE(IsEqualGUID(ids::kBrimloftFilter, records[0].messageGuid));
  EXPECT_EQ(15, records[0].number);
  ASSERT_EQ(2u, records[0].arguments.size());
  EXPECT_EQ(Narrow("Setting printer name as "), records[0].arguments[0]);
  EXPECT_EQ(Narrow("RX1Q"), records[0].arguments[1]);

  ASSERT_EQ(ERROR_SUCCESS, session->Disable(brimloft::trace::kControlGuid));
  EXPECT_FALSE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW));
  BRIMLOFT_TRACE(brimloft::trace::FilterShutdown);
  EXPECT_EQ(1u, session->Records().size());
}

TEST_F(TraceCategories, ErrorFunctionsWriteTheirRecords) {
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_VERBOSE,
                                           brimloft::TRACE_FLOW | brimloft::TRACE_ERROR));
  EXPECT_THROW(brimloft::throw_hr(E_ACCESSDENIED, "PThandler", 77), brimloft::hr_error);
  brimloft::trace_failure(E_POINTER, nullptr, 12, L"");
  brimloft::trace_failure(E_FAIL, "PThandler", 13, nullptr);
  brimloft::trace_failure(E_FAIL, "PThandler", 14, L"Failed to revert thread security context.");

  const auto records = session->Records();
  ASSERT_EQ(4u, records.size());
  EXPECT_TRUE(IsEqualGUID(ids::kThrowHr, records[0].messageGuid));
  EXPECT_EQ(10, records[0].number);
  EXPECT_EQ((std::vector<std::string>{Narrow("PThandler"), Int32(77), Int32(static_cast<std::int32_t>(0x80070005))}),
            records[0].arguments);
  EXPECT_TRUE(IsEqualGUID(ids::kTraceFailure, records[1].messageGuid));
  EXPECT_EQ(10, records[1].number);
  EXPECT_EQ((std::vector<std::string>{Int32(static_cast<std::int32_t>(0x80004003)), Narrow("NULL"), Int32(12),
                                      Utf16("<NULL>")}),
            records[1].arguments);
  EXPECT_EQ(Utf16("NULL"), records[2].arguments.at(3));
  EXPECT_EQ(Utf16("Failed to revert thread security context."), records[3].arguments.at(3));
  for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(i + 1, records[i].sequence);
}

TEST_F(TraceCategories, OnlyTheErrorCategoryKeepsFailureRecords) {
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_ERROR, brimloft::TRACE_ERROR));
  EXPECT_THROW(brimloft::throw_hr(E_FAIL, "rasinterface", 5), brimloft::hr_error);
  brimloft::trace_failure(E_FAIL, "rasinterface", 6);
  const auto records = session->Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_TRUE(IsEqualGUID(ids::kTraceFailure, records[0].messageGuid));
}

TEST_F(TraceCategories, StoppedProviderWritesNothingEvenIfTheSessionAsks) {
  brimloft::trace::Stop();
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_VERBOSE, 0xF));
  EXPECT_FALSE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW));
  BRIMLOFT_TRACE(brimloft::trace::ModuleAttached);
  EXPECT_TRUE(session->Records().empty());
  brimloft::trace::Start("KelmoranBrimloftFilter");
  EXPECT_TRUE(brimloft::trace::IsEnabled(brimloft::TRACE_FLOW)) << "enabled as it registers";
}

}  // namespace
