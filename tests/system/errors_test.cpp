// The error model: throw_hr and trace_failure with their exact record bytes, the conversion of Win32
// errors, and the translation of escaping exceptions at the entry points.
#include <gtest/gtest.h>

#include <windows.h>

#include <comdef.h>

#include <exception>
#include <new>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <vector>

#include "fakes/module_trace_capture.h"
#include "module/filtertypes.h"

namespace brimloft {
namespace {

using testing::Int32Arg;
using testing::NarrowArg;
using testing::Record;
using testing::ScopedProvider;
using testing::TraceCapture;
using testing::Utf16Arg;

static_assert(!std::is_base_of<std::exception, hr_error>::value, "hr_error is deliberately no std::exception");

constexpr ULONG kAllCategories = TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL;
constexpr USHORT kRecordFlags =
    TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;

HRESULT Thrown(void (*f)()) {
  try {
    f();
  } catch (const hr_error& e) {
    return e.hr;
  }
  ADD_FAILURE() << "no hr_error thrown";
  return S_OK;
}

class ErrorsTest : public ::testing::Test {
 protected:
  TraceCapture capture_{kAllCategories};
  ScopedProvider provider_;
};

TEST_F(ErrorsTest, ThrowHrRaisesTheHresultAndRecordsUnitLineAndHresult) {
  EXPECT_EQ(E_ACCESSDENIED, Thrown([] { throw_hr(E_ACCESSDENIED, "PThandler", 321); }));
  const auto records = capture_.Records();
  ASSERT_EQ(1u, records.size());
  const Record& r = records[0];
  EXPECT_EQ(trace_ids::kThrowHr, r.messageGuid);
  EXPECT_EQ(10, r.number);
  ASSERT_EQ(3u, r.arguments.size());
  EXPECT_EQ(std::string("PThandler\0", 10), r.arguments[0]);
  EXPECT_EQ(std::string("\x41\x01\x00\x00", 4), r.arguments[1]);  // 321
  EXPECT_EQ(std::string("\x05\x00\x07\x80", 4), r.arguments[2]);  // 0x80070005
}

TEST_F(ErrorsTest, ThrowHrWithANullUnitWritesNULL) {
  EXPECT_EQ(E_FAIL, Thrown([] { throw_hr(E_FAIL, nullptr, 7); }));
  const auto records = capture_.Of(trace_ids::kThrowHr);
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(std::string("NULL\0", 5), records[0].arguments.at(0));
  EXPECT_EQ(Int32Arg(7), records[0].arguments.at(1));
  EXPECT_EQ(Int32Arg(E_FAIL), records[0].arguments.at(2));
}

TEST_F(ErrorsTest, TraceFailureRecordsHresultUnitLineAndText) {
  struct Case {
    const wchar_t* text;
    std::string bytes;
  } const cases[] = {
      {L"", std::string("<\0N\0U\0L\0L\0>\0\0\0", 14)},
      {nullptr, std::string("N\0U\0L\0L\0\0\0", 10)},
      {L"Failed to revert thread security context.", Utf16Arg("Failed to revert thread security context.")},
      {L"\u00e9\U0001F600", std::string("\xE9\x00\x3D\xD8\x00\xDE\x00\x00", 8)},  // surrogate pair
  };
  for (const Case& c : cases) {
    capture_.Restart();
    trace_failure(E_POINTER, "UnknownBase", 42, c.text);
    const auto records = capture_.Records();
    ASSERT_EQ(1u, records.size());
    EXPECT_EQ(trace_ids::kTraceFailure, records[0].messageGuid);
    EXPECT_EQ(10, records[0].number);
    EXPECT_EQ((std::vector<std::string>{std::string("\x03\x40\x00\x80", 4), NarrowArg("UnknownBase"), Int32Arg(42),
                                        c.bytes}),
              records[0].arguments);
  }
}

TEST_F(ErrorsTest, TraceFailureWithoutTextWritesTheEmptyText) {
  trace_failure(CLASS_E_NOAGGREGATION, nullptr, 1);
  const auto records = capture_.Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ((std::vector<std::string>{Int32Arg(CLASS_E_NOAGGREGATION), std::string("NULL\0", 5), Int32Arg(1),
                                      Utf16Arg("<NULL>")}),
            records[0].arguments);
}

TEST_F(ErrorsTest, RecordsCarryTheRequestedHeaderFields) {
  trace_failure(E_FAIL, "dllentry", 1);
  const auto records = capture_.Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(kRecordFlags, records[0].flags);
  EXPECT_EQ(GetCurrentProcessId(), records[0].processId);
  EXPECT_EQ(GetCurrentThreadId(), records[0].threadId);
  EXPECT_NE(0u, records[0].timestamp);
  EXPECT_NE(0u, records[0].sequence);
}

TEST(ErrorCategories, EachRecordOnlyWithItsCategory) {
  struct Case {
    ULONG flags;
    size_t throwRecords;
    size_t failureRecords;
  } const cases[] = {
      {TRACE_FLOW, 1, 0},
      {TRACE_ERROR, 0, 1},
      {TRACE_DETAIL | 0x2, 0, 0},
      {0, 0, 0},
      {TRACE_ERROR | TRACE_FLOW, 1, 1},
  };
  ScopedProvider provider;
  for (const Case& c : cases) {
    TraceCapture capture(c.flags);
    EXPECT_EQ(E_ABORT, Thrown([] { throw_hr(E_ABORT, "rasinterface", 5); }));  // raised whatever is traced
    trace_failure(E_ABORT, "rasinterface", 6);
    EXPECT_EQ(c.throwRecords, capture.Of(trace_ids::kThrowHr).size()) << "flags " << c.flags;
    EXPECT_EQ(c.failureRecords, capture.Of(trace_ids::kTraceFailure).size()) << "flags " << c.flags;
  }
}

TEST(ErrorCategories, NothingIsWrittenWhileTheProviderIsNotRegisteredOrDisabled) {
  TraceCapture capture(kAllCategories);
  trace_failure(E_FAIL, "dllentry", 1);  // not registered
  {
    ScopedProvider provider;
    trace_failure(E_FAIL, "dllentry", 2);
    ASSERT_EQ(ULONG(ERROR_SUCCESS), capture.Session().Disable(trace_ids::kControl));
    trace_failure(E_FAIL, "dllentry", 3);
  }
  const auto records = capture.Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(Int32Arg(2), records[0].arguments.at(2));
}

TEST(HrFromLastError, ConvertsWin32ErrorsAndKeepsHresults) {
  struct Case {
    DWORD error;
    HRESULT hr;
  } const cases[] = {
      {ERROR_SUCCESS, S_OK},
      {ERROR_ACCESS_DENIED, E_ACCESSDENIED},
      {ERROR_NOT_ENOUGH_MEMORY, static_cast<HRESULT>(0x80070008)},
      {ERROR_NOT_LOCKED, static_cast<HRESULT>(0x8007009E)},
      {ERROR_PRINT_CANCELLED, static_cast<HRESULT>(0x8007003F)},
      {0x12345, static_cast<HRESULT>(0x80072345)},  // only the low 16 bits
      {static_cast<DWORD>(E_FAIL), E_FAIL},  // already an HRESULT: unchanged
  };
  for (const Case& c : cases) {
    SetLastError(c.error);
    EXPECT_EQ(c.hr, hr_from_last_error()) << "error " << c.error;
  }
}

TEST(CheckHr, OnlyFailuresThrowAndSuccessWritesNothing) {
  TraceCapture capture(kAllCategories);
  ScopedProvider provider;
  EXPECT_NO_THROW(check_hr(S_OK, "omconvertor", 1));
  EXPECT_NO_THROW(check_hr(S_FALSE, "omconvertor", 2));
  EXPECT_NO_THROW(check_hr(0x7FFFFFFF, "omconvertor", 3));
  EXPECT_TRUE(capture.Records().empty());
  EXPECT_EQ(static_cast<HRESULT>(0x80000000), Thrown([] { check_hr(static_cast<HRESULT>(0x80000000), "x", 4); }));
}

// Escaping exceptions, in the order the entry points translate them.
TEST(TranslateExceptions, TheTranslationTable) {
  struct Case {
    const char* what;
    void (*work)();
    HRESULT hr;
  } const cases[] = {
      {"nothing thrown", [] {}, S_OK},
      {"std::bad_alloc", [] { throw std::bad_alloc(); }, E_OUTOFMEMORY},
      {"std::bad_array_new_length", [] { throw std::bad_array_new_length(); }, E_OUTOFMEMORY},
      {"hr_error", [] { throw hr_error{E_ACCESSDENIED}; }, E_ACCESSDENIED},
      {"hr_error of a Win32 error", [] { throw hr_error{HRESULT_FROM_WIN32(ERROR_DISK_FULL)}; },
       static_cast<HRESULT>(0x80070070)},
      {"throw_hr", [] { throw_hr(E_NOINTERFACE, "BrimloftFilter", 9); }, E_NOINTERFACE},
      {"std::runtime_error", [] { throw std::runtime_error("parse error"); }, E_FAIL},
      {"std::out_of_range", [] { throw std::out_of_range("index"); }, E_FAIL},
      {"std::exception", [] { throw std::exception(); }, E_FAIL},
      {"_com_error", [] { throw _com_error(E_OUTOFMEMORY); }, E_UNEXPECTED},
      {"_com_error through _com_issue_error", [] { _com_issue_error(DISP_E_TYPEMISMATCH); }, E_UNEXPECTED},
      {"int", [] { throw 42; }, E_UNEXPECTED},
      {"const char*", [] { throw "text"; }, E_UNEXPECTED},
  };
  for (const Case& c : cases) EXPECT_EQ(c.hr, translate_exceptions(c.work)) << c.what;
}

TEST(TranslateExceptions, WritesNoRecordOfItsOwn) {
  TraceCapture capture(kAllCategories);
  ScopedProvider provider;
  EXPECT_EQ(E_FAIL, translate_exceptions([] { throw std::runtime_error("x"); }));
  EXPECT_EQ(E_UNEXPECTED, translate_exceptions([] { throw _com_error(E_OUTOFMEMORY); }));
  EXPECT_EQ(E_OUTOFMEMORY, translate_exceptions([] { throw std::bad_alloc(); }));
  EXPECT_TRUE(capture.Records().empty());
  EXPECT_EQ(E_HANDLE, translate_exceptions([] { throw_hr(E_HANDLE, "filtertypes", 3); }));
  EXPECT_EQ(1u, capture.Records().size());  // only throw_hr's own
}

}  // namespace
}  // namespace brimloft
