// Reading trace files back and printing their records as text.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <platform/trace_controller.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <utility>

#include "fakes/module_trace_capture.h"
#include "host/trace/trace_file.h"
#include "host/trace/trace_messages.h"
#include "module/trace.h"
#include "module/trace_ids.h"

namespace {

using host::DecodeTraceArg;
using host::FormatTraceRecord;
using host::ParseTraceFile;
using host::TraceArg;
using host::HostError;
using platform::trace::Record;
using platform::trace::Session;
namespace ids = brimloft::trace_ids;

constexpr ULONG kFlags =
    TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string Int32(std::int32_t v) { return std::string(reinterpret_cast<const char*>(&v), 4); }
std::string Narrow(const char* s) { return std::string(s, std::strlen(s) + 1); }
std::string Wide(const char16_t* s) {
  size_t n = 0;
  while (s[n]) ++n;
  return std::string(reinterpret_cast<const char*>(s), 2 * (n + 1));
}
std::string Double(double v) { return std::string(reinterpret_cast<const char*>(&v), 8); }

// A trace file written by a real session, so the round trip covers writer and reader together.
class TraceRoundTrip : public testing::Test {
 protected:
  void SetUp() override { path_ = testing::TempDir() + "trace_round_trip" + std::to_string(getpid()) + ".trace"; }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

TEST_F(TraceRoundTrip, RecordsReadBackAsWritten) {
  auto session = Session::StartToFile(path_);
  const TRACEHANDLE logger = session->LoggerHandle(5, 0xD);
  const char unit[] = "rasinterface";
  const int line = 88;
  const HRESULT hr = E_UNEXPECTED;
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &ids::kThrowHr, 10, unit, sizeof unit, &line, sizeof line,
                                        &hr, sizeof hr, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &ids::kDllentry, 22, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, session->Stop());

  const auto records = host::ReadTraceFile(path_);
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(1u, records[0].sequence);
  EXPECT_EQ(2u, records[1].sequence);
  EXPECT_TRUE(IsEqualGUID(ids::kThrowHr, records[0].messageGuid));
  EXPECT_EQ(10, records[0].number);
  EXPECT_EQ(kFlags, records[0].flags);
  EXPECT_EQ(static_cast<DWORD>(getpid()), records[0].processId);
  EXPECT_NE(0u, records[0].timestamp);
  ASSERT_EQ(3u, records[0].arguments.size());
  EXPECT_EQ(Narrow("rasinterface"), records[0].arguments[0]);
  EXPECT_EQ(Int32(88), records[0].arguments[1]);
  EXPECT_EQ(Int32(static_cast<std::int32_t>(0x8000FFFF)), records[0].arguments[2]);
  EXPECT_TRUE(records[1].arguments.empty());

  const std::string text = FormatTraceRecord(records[0]);
  EXPECT_NE(std::string::npos, text.find(" throw_hr 10 Raising 0x8000FFFF in rasinterface at line 88")) << text;
  EXPECT_EQ(0u, text.find("1 ")) << text;
  EXPECT_NE(std::string::npos, text.find(" " + std::to_string(getpid()) + "/")) << text;
}

TEST_F(TraceRoundTrip, EmptySessionIsAValidEmptyFile) {
  auto session = Session::StartToFile(path_);
  ASSERT_EQ(ERROR_SUCCESS, session->Stop());
  EXPECT_TRUE(host::ReadTraceFile(path_).empty());
}

TEST_F(TraceRoundTrip, TruncatedOrCorruptFilesAreClearErrors) {
  auto session = Session::StartToFile(path_);
  const TRACEHANDLE logger = session->LoggerHandle(5, 0xD);
  const int page = 2;
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &ids::kBrimloftFilter, 18, &page, sizeof page, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &ids::kBrimloftFilter, 16, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, session->Stop());
  const std::string good = ReadAll(path_);
  ASSERT_EQ(2u, ParseTraceFile(good).size());

  // Every cut inside the last record is reported, and the records before it are kept.
  const size_t firstEnd = 16 + 4 + 44 + 4 + 4;
  for (size_t cut = firstEnd + 1; cut < good.size(); ++cut) {
    std::vector<Record> partial;
    EXPECT_THROW(ParseTraceFile(good.substr(0, cut), partial), HostError) << cut;
    EXPECT_EQ(1u, partial.size()) << cut;
  }
  for (size_t cut = 0; cut < 16; ++cut) EXPECT_THROW(ParseTraceFile(good.substr(0, cut)), HostError) << cut;

  const struct {
    size_t offset;
    std::string bytes;
    const char* message;
  } corruptions[] = {
      {0, "X", "bad magic"},
      {8, std::string("\x02\0\0\0", 4), "version 2"},
      {12, std::string("\x08\0\0\0", 4), "header size"},
      {16, std::string("\x10\0\0\0", 4), "shorter than its fixed part"},
      {16, std::string("\xFF\xFF\xFF\x7F", 4), "record truncated"},
      {16 + 4 + 40, std::string("\xFF\xFF\xFF\xFF", 4), "argument count"},
      {16 + 4 + 44, std::string("\x05\0\0\0", 4), "argument size"},
      {16 + 4 + 40, std::string("\0\0\0\0", 4), "after its last argument"},
  };
  for (const auto& c : corruptions) {
    std::string bad = good;
    bad.replace(c.offset, c.bytes.size(), c.bytes);
    try {
      ParseTraceFile(bad);
      ADD_FAILURE() << "accepted: " << c.message;
    } catch (const HostError& e) {
      EXPECT_NE(std::string::npos, std::string(e.what()).find(c.message)) << e.what();
    }
  }
}

TEST(TraceFileRead, MissingFileIsAnError) {
  EXPECT_THROW(host::ReadTraceFile("/nonexistent-directory/none.trace"), HostError);
}

Record MakeRecord(const GUID& unit, USHORT number, std::vector<std::string> args) {
  Record r;
  r.flags = TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;
  r.number = number;
  r.messageGuid = unit;
  r.sequence = 42;
  r.timestamp = 116444736000000000ULL + 1234567ULL;  // 1970-01-01 00:00:00.1234567
  r.processId = 100;
  r.threadId = 200;
  r.arguments = std::move(args);
  return r;
}

TEST(TraceFormat, EveryKindOfTracePointPrintsItsTextAndArguments) {
  const struct {
    Record record;
    const char* text;
  } cases[] = {
      {MakeRecord(ids::kDllentry, 22, {}), "dllentry 22 Module attached to the process"},
      {MakeRecord(ids::kDllentry, 15, {}), "dllentry 15 Filter created for RX1Q"},
      {MakeRecord(ids::kDllentry, 16, {}), "dllentry 16 Class object requested for RX3P"},
      {MakeRecord(ids::kBrimloftFilter, 15, {Narrow("Setting printer name as "), Narrow("RX1Q")}),
       "BrimloftFilter 15 Setting printer name as RX1Q"},
      {MakeRecord(ids::kBrimloftFilter, 18, {Int32(-3)}), "BrimloftFilter 18 Fixed page -3 reached"},
      {MakeRecord(ids::kPThandler, 13, {Narrow("/tmp/brimloft_print_ticket_.xml")}),
       "PThandler 13 Saving the print ticket snapshot to /tmp/brimloft_print_ticket_.xml"},
      {MakeRecord(ids::kPThandler, 15, {Double(203.0)}), "PThandler 15 Resolution 203 dpi"},
      {MakeRecord(ids::kPThandler, 16, {Double(384.5), Double(0.1)}), "PThandler 16 Page size 384.5 x 0.1 (1/96 inch)"},
      {MakeRecord(ids::kRasinterface, 11, {}), "rasinterface 11 Rasterization cancelled"},
      {MakeRecord(ids::kBrimloftBitmapHandler, 15, {Narrow("QVDither"), Narrow("="), Narrow("Diffusion")}),
       "BrimloftBitmapHandler 15 Option QVDither=Diffusion"},
      {MakeRecord(ids::kBrimloftBitmapHandler, 17, {Narrow("RX2P"), Int32(576)}),
       "BrimloftBitmapHandler 17 Variant RX2P: head width 576 dots"},
      {MakeRecord(ids::kThrowHr, 10, {Narrow("NULL"), Int32(12), Int32(static_cast<std::int32_t>(0x80070005))}),
       "throw_hr 10 Raising 0x80070005 in NULL at line 12"},
      {MakeRecord(ids::kTraceFailure, 10,
                  {Int32(static_cast<std::int32_t>(0x80004003)), Narrow("UnknownBase"), Int32(40), Wide(u"<NULL>")}),
       "trace_failure 10 Failure 0x80004003 in UnknownBase at line 40: <NULL>"},
      {MakeRecord(ids::kTraceFailure, 10,
                  {Int32(1), Narrow("PThandler"), Int32(7), Wide(u"Grü\u00DF \U0001F600 line\nnext")}),
       "trace_failure 10 Failure 0x00000001 in PThandler at line 7: Grü\u00DF \U0001F600 line\\x0Anext"},
  };
  for (const auto& c : cases) {
    const std::string line = FormatTraceRecord(c.record);
    EXPECT_EQ(std::string("42 1970-01-01 00:00:00.1234567 100/200 ") + c.text, line);
  }
}

TEST(TraceFormat, UnknownOrMismatchedRecordsPrintRaw) {
  constexpr GUID kStranger = {0x01020304, 0x0506, 0x0708, {9, 10, 11, 12, 13, 14, 15, 16}};
  Record unknownUnit = MakeRecord(kStranger, 10, {std::string("\x01\xFF", 2), ""});
  unknownUnit.flags = 0;
  EXPECT_EQ("42 - 100/200 {01020304-0506-0708-090A-0B0C0D0E0F10} 10 [unknown trace point] 01ff -",
            FormatTraceRecord(unknownUnit));
  EXPECT_EQ("42 1970-01-01 00:00:00.1234567 100/200 dllentry 99 [unknown trace point] 07000000",
            FormatTraceRecord(MakeRecord(ids::kDllentry, 99, {Int32(7)})));
  const std::vector<std::string> mismatches[] = {
      {Int32(1)},                                           // too few
      {Narrow("a"), Int32(1), Int32(2), Int32(3)},          // too many
      {Narrow("a"), std::string("\x01\x02", 2), Int32(3)},  // short integer
      {std::string("abc", 3), Int32(1), Int32(2)},          // string without its NUL
      {std::string("a\0b\0", 4), Int32(1), Int32(2)},       // NUL inside a string
  };
  for (const auto& args : mismatches) {
    const std::string line = FormatTraceRecord(MakeRecord(ids::kThrowHr, 10, args));
    EXPECT_NE(std::string::npos, line.find("throw_hr 10 [arguments do not match the trace point]")) << line;
  }
}

TEST(TraceFormat, ArgumentDecodingRejectsBytesThatDoNotFit) {
  std::string text;
  EXPECT_FALSE(DecodeTraceArg(TraceArg::Double, Int32(1), text));
  EXPECT_FALSE(DecodeTraceArg(TraceArg::Wide, std::string("a", 1), text));
  EXPECT_FALSE(DecodeTraceArg(TraceArg::Wide, std::string("a\0b\0", 4), text));
  EXPECT_FALSE(DecodeTraceArg(TraceArg::Wide, std::string("", 0), text));
  EXPECT_FALSE(DecodeTraceArg(TraceArg::Narrow, std::string("", 0), text));
  EXPECT_TRUE(text.empty());
  EXPECT_TRUE(DecodeTraceArg(TraceArg::Wide, std::string("\x00\xD8\0\0", 4), text));  // lone surrogate
  EXPECT_EQ("\xEF\xBF\xBD", text);
}

TEST(TraceFormat, TableNamesEveryTracePointOnceWithItsArguments) {
  std::set<std::pair<std::string, int>> seen;
  std::map<std::string, size_t> perUnit;
  for (const auto& m : host::AllTracePoints()) {
    EXPECT_GE(m.number, 10) << m.unit;
    EXPECT_TRUE(seen.insert({m.unit, m.number}).second) << m.unit << " " << m.number;
    ++perUnit[m.unit];
    // Every argument has its placeholder and no placeholder lacks its argument.
    for (size_t i = 1; i <= 9; ++i) {
      const bool used = std::string(m.text).find("%" + std::to_string(i)) != std::string::npos;
      EXPECT_EQ(i <= m.args.size(), used) << m.unit << " " << m.number << " %" << i;
    }
  }
  EXPECT_EQ(14u, perUnit["dllentry"]);
  EXPECT_EQ(11u, perUnit["BrimloftFilter"]);
  EXPECT_EQ(10u, perUnit["PThandler"]);
  EXPECT_EQ(1u, perUnit["omconvertor"]);
  EXPECT_EQ(5u, perUnit["rasinterface"]);
  EXPECT_EQ(6u, perUnit["BrimloftBitmapHandler"]);
  EXPECT_EQ(1u, perUnit["throw_hr"]);
  EXPECT_EQ(1u, perUnit["trace_failure"]);
}

TEST(TraceFormat, UnitNamesComeFromTheSharedIdentifiers) {
  EXPECT_STREQ("dllentry", host::TraceUnitName(ids::kDllentry));
  EXPECT_STREQ("BrimloftBitmapHandler", host::TraceUnitName(ids::kBrimloftBitmapHandler));
  EXPECT_STREQ("trace_failure", host::TraceUnitName(ids::kTraceFailure));
  EXPECT_EQ(nullptr, host::TraceUnitName(ids::kControl));
}

// Argument k of a row (from 0) as the code passes it, and as brimloft-tracefmt prints it.
template <brimloft::trace::ArgType Type>
auto SampleValue(size_t k) {
  namespace trace = brimloft::trace;
  if constexpr (Type == trace::Int32) return static_cast<int>(101 + k);
  else if constexpr (Type == trace::HResult) return static_cast<HRESULT>(0x80070101u + k);
  else if constexpr (Type == trace::Double) return 0.25 + static_cast<double>(k);
  else if constexpr (Type == trace::Narrow) return "n" + std::to_string(k + 1);
  else return L"w" + std::to_wstring(k + 1);
}
template <brimloft::trace::ArgType Type>
std::string SamplePrinted(size_t k) {
  namespace trace = brimloft::trace;
  char hex[16];
  std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(0x80070101u + k));
  if constexpr (Type == trace::Int32) return std::to_string(101 + k);
  else if constexpr (Type == trace::HResult) return hex;
  else if constexpr (Type == trace::Double) return std::to_string(k) + ".25";
  else if constexpr (Type == trace::Narrow) return "n" + std::to_string(k + 1);
  else return "w" + std::to_string(k + 1);
}

// Writes the point as the code does, with a distinct value for each argument its row declares;
// answers the line's expected end: unit, number and the row's text with every %k replaced.
template <brimloft::trace::ArgType... Types, size_t... K>
std::string WriteRow(const brimloft::trace::Point<Types...>& point, std::index_sequence<K...>) {
  BRIMLOFT_TRACE(point, SampleValue<Types>(K)...);
  std::string text = point.text;
  const std::string printed[] = {"", SamplePrinted<Types>(K)...};
  for (size_t k = 1; k < std::size(printed); ++k) {
    const std::string placeholder = "%" + std::to_string(k);
    const size_t at = text.find(placeholder);
    // An argument the text never shows is lost to every reader of the trace.
    EXPECT_NE(std::string::npos, at) << point.text << ": no " << placeholder;
    if (at != std::string::npos) text.replace(at, placeholder.size(), printed[k]);
  }
  return std::string(brimloft::UnitName(point.unit)) + " " + std::to_string(point.number) + " " + text;
}

// Every row of the module's table (module/trace_points.def), written through the module's provider
// and printed as brimloft-tracefmt prints it, shows its text with each argument in its place: a row
// whose text wants more or fewer arguments than it declares, whose unit the reader does not know,
// or whose encoding the reader decodes otherwise, fails here.
TEST(TraceFormat, EveryTracePointPrintsItsTextWithItsArguments) {
  brimloft::testing::TraceCapture capture(brimloft::TRACE_ERROR | brimloft::TRACE_FLOW | brimloft::TRACE_DETAIL);
  brimloft::testing::ScopedProvider provider;
  std::vector<std::string> expected;
#define BRIMLOFT_TRACE_POINT(name, unit, number, category, types, text) \
  expected.push_back(WriteRow(brimloft::trace::name,                    \
                              std::make_index_sequence<brimloft::trace::name.kArgs.size()>()));
#include "module/trace_points.def"
#undef BRIMLOFT_TRACE_POINT
  const std::vector<Record> records = capture.Records();
  ASSERT_EQ(expected.size(), records.size());
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_THAT(FormatTraceRecord(records[i]), testing::EndsWith(expected[i]));
  }
}

}  // namespace
