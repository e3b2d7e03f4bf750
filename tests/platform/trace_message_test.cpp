// TraceMessage records: their content, their order and the handles they are accepted with.
#include <gtest/gtest.h>

#include <platform/trace_controller.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using platform::trace::Record;
using platform::trace::Session;

constexpr ULONG kFlags =
    TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO;
constexpr GUID kMessage = {0x0a0b0c0d, 0x1e1f, 0x2a2b, {0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37}};
constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;

std::string Bytes(const void* p, size_t n) { return std::string(static_cast<const char*>(p), n); }

// Now as a file time. time() reads a coarse clock that can lag the precise one by a tick, so a
// record stamped just past a second would fall outside bounds taken from it.
ULONGLONG NowAsFileTime() {
  const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100) +
         kUnixEpochAsFileTime;
}

TEST(TraceMessage, RecordCarriesIdentityAndArgumentBytesExactly) {
  auto session = Session::StartInMemory();
  const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
  const int line = 1234;
  const HRESULT hr = static_cast<HRESULT>(0x80070005);
  const double resolution = 203.0;
  const char unit[] = "PThandler";
  const char16_t text[] = u"<NULL>";
  const ULONGLONG before = NowAsFileTime();
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &kMessage, 17, unit, sizeof unit, &line, sizeof line, &hr,
                                        sizeof hr, &resolution, sizeof resolution, text, sizeof text, nullptr));
  const ULONGLONG after = NowAsFileTime();

  const auto records = session->Records();
  ASSERT_EQ(1u, records.size());
  const Record& r = records[0];
  EXPECT_EQ(kFlags, r.flags);
  EXPECT_EQ(17, r.number);
  EXPECT_TRUE(IsEqualGUID(kMessage, r.messageGuid));
  EXPECT_EQ(1u, r.sequence);
  EXPECT_GE(r.timestamp, before);
  EXPECT_LE(r.timestamp, after);
  EXPECT_EQ(static_cast<DWORD>(getpid()), r.processId);
  EXPECT_NE(0u, r.threadId);
  ASSERT_EQ(5u, r.arguments.size());
  EXPECT_EQ(std::string("PThandler", 10), r.arguments[0]);
  EXPECT_EQ(std::string("\xD2\x04\x00\x00", 4), r.arguments[1]);
  EXPECT_EQ(std::string("\x05\x00\x07\x80", 4), r.arguments[2]);
  EXPECT_EQ(Bytes(&resolution, 8), r.arguments[3]);
  EXPECT_EQ(14u, r.arguments[4].size());
  EXPECT_EQ(std::string("<\0N\0U\0L\0L\0>\0\0\0", 14), r.arguments[4]);
}

TEST(TraceMessage, ZeroLengthArgumentsAndNoArguments) {
  auto session = Session::StartInMemory();
  const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
  const char empty = 'x';
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &kMessage, 10, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &kMessage, 11, &empty, SIZE_T{0}, nullptr));
  const auto records = session->Records();
  ASSERT_EQ(2u, records.size());
  EXPECT_TRUE(records[0].arguments.empty());
  ASSERT_EQ(1u, records[1].arguments.size());
  EXPECT_TRUE(records[1].arguments[0].empty());
}

TEST(TraceMessage, FieldsNotAskedForStayZero) {
  auto session = Session::StartInMemory();
  const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, 0, &kMessage, 12, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, TRACE_MESSAGE_SEQUENCE, nullptr, 13, nullptr));
  const auto records = session->Records();
  ASSERT_EQ(2u, records.size());
  EXPECT_EQ(0u, records[0].sequence);
  EXPECT_EQ(0u, records[0].timestamp);
  EXPECT_EQ(0u, records[0].processId);
  EXPECT_EQ(0u, records[0].threadId);
  EXPECT_TRUE(IsEqualGUID(GUID{}, records[0].messageGuid));
  EXPECT_EQ(1u, records[1].sequence) << "records without the sequence flag take no number";
}

TEST(TraceMessage, SequenceNumbersIncreasePerSession) {
  auto first = Session::StartInMemory();
  auto second = Session::StartInMemory();
  for (int i = 0; i < 5; ++i) {
    ASSERT_EQ(ERROR_SUCCESS, TraceMessage(first->LoggerHandle(4, 4), kFlags, &kMessage, 10, &i, sizeof i, nullptr));
    if (i % 2 == 0) {
      ASSERT_EQ(ERROR_SUCCESS, TraceMessage(second->LoggerHandle(4, 4), kFlags, &kMessage, 10, nullptr));
    }
  }
  const auto a = first->Records();
  const auto b = second->Records();
  ASSERT_EQ(5u, a.size());
  ASSERT_EQ(3u, b.size());
  for (ULONG i = 0; i < a.size(); ++i) EXPECT_EQ(i + 1, a[i].sequence);
  for (ULONG i = 0; i < b.size(); ++i) EXPECT_EQ(i + 1, b[i].sequence);
  for (size_t i = 1; i < a.size(); ++i) EXPECT_LE(a[i - 1].timestamp, a[i].timestamp);
}

TEST(TraceMessage, InvalidAndStaleHandlesAreRejected) {
  auto session = Session::StartInMemory();
  const TRACEHANDLE stale = session->LoggerHandle(4, 0x4);
  ASSERT_EQ(ERROR_SUCCESS, session->Stop());
  auto live = Session::StartInMemory();
  const TRACEHANDLE handles[] = {0, stale, static_cast<TRACEHANDLE>(-1), 0x00FFFFFF, 0xFFFFFFFF00000000ULL};
  for (TRACEHANDLE handle : handles) {
    const int value = 7;
    EXPECT_EQ(ERROR_INVALID_HANDLE, TraceMessage(handle, kFlags, &kMessage, 10, &value, sizeof value, nullptr))
        << std::hex << handle;
  }
  EXPECT_TRUE(session->Records().empty());
  EXPECT_TRUE(live->Records().empty());
}

TEST(TraceMessage, BadFlagsOrMissingGuidOrOversizeArgumentsAreRejected) {
  auto session = Session::StartInMemory();
  const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
  EXPECT_EQ(ERROR_INVALID_PARAMETER, TraceMessage(logger, kFlags, nullptr, 10, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, TraceMessage(logger, TRACE_MESSAGE_COMPONENTID, &kMessage, 10, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER, TraceMessage(logger, 0x10000, &kMessage, 10, nullptr));
  const std::string big(TRACE_MESSAGE_MAXIMUM_SIZE, 'b');
  EXPECT_EQ(ERROR_SUCCESS, TraceMessage(logger, kFlags, &kMessage, 11, big.data(), big.size(), nullptr));
  EXPECT_EQ(ERROR_MORE_DATA,
            TraceMessage(logger, kFlags, &kMessage, 12, big.data(), big.size(), "x", SIZE_T{1}, nullptr));
  const auto records = session->Records();
  ASSERT_EQ(1u, records.size());
  EXPECT_EQ(11, records[0].number);
  EXPECT_EQ(1u, records[0].sequence) << "rejected messages take no sequence number";
}

TEST(TraceMessage, ConcurrentWritersLoseNothingAndKeepTheirOrder) {
  auto session = Session::StartInMemory();
  const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
  constexpr int kThreads = 4;
  constexpr int kPerThread = 2000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([logger, t] {
      for (int i = 0; i < kPerThread; ++i) {
        const int payload[2] = {t, i};
        TraceMessage(logger, kFlags, &kMessage, static_cast<USHORT>(10 + t), payload, sizeof payload, nullptr);
      }
    });
  }
  for (auto& thread : threads) thread.join();
  const auto records = session->Records();
  ASSERT_EQ(static_cast<size_t>(kThreads * kPerThread), records.size());
  int next[kThreads] = {};
  DWORD threadIds[kThreads] = {};
  for (size_t i = 0; i < records.size(); ++i) {
    EXPECT_EQ(i + 1, records[i].sequence);
    int payload[2];
    ASSERT_EQ(sizeof payload, records[i].arguments.at(0).size());
    std::memcpy(payload, records[i].arguments[0].data(), sizeof payload);
    const int t = payload[0];
    ASSERT_TRUE(t >= 0 && t < kThreads);
    EXPECT_EQ(10 + t, records[i].number);
    EXPECT_EQ(next[t]++, payload[1]) << "one writer's records keep their order";
    if (!threadIds[t]) threadIds[t] = records[i].threadId;
    EXPECT_EQ(threadIds[t], records[i].threadId);
  }
  for (int t = 0; t < kThreads; ++t) EXPECT_EQ(kPerThread, next[t]);
}

TEST(TraceMessage, WritersRacingAStopNeverCrash) {
  for (int round = 0; round < 20; ++round) {
    auto session = Session::StartInMemory();
    const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
    std::thread writer([logger] {
      for (int i = 0; i < 500; ++i) {
        const ULONG result = TraceMessage(logger, kFlags, &kMessage, 10, &i, sizeof i, nullptr);
        if (result != ERROR_SUCCESS) {
          EXPECT_EQ(ERROR_INVALID_HANDLE, result);
          break;
        }
      }
    });
    session->Stop();
    writer.join();
    const auto records = session->Records();
    for (size_t i = 0; i < records.size(); ++i) EXPECT_EQ(i + 1, records[i].sequence);
  }
}

std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::string TempPath(const char* name) {
  return (testing::TempDir() + name) + std::to_string(getpid()) + ".trace";
}

TEST(TraceFileSession, WritesHeaderAndLengthPrefixedRecords) {
  const std::string path = TempPath("trace_file_session");
  auto session = Session::StartToFile(path);
  const TRACEHANDLE logger = session->LoggerHandle(4, 0x4);
  const int page = 3;
  ASSERT_EQ(ERROR_SUCCESS, TraceMessage(logger, TRACE_MESSAGE_GUID | TRACE_MESSAGE_SEQUENCE, &kMessage, 18, &page,
                                        sizeof page, "ab", SIZE_T{3}, nullptr));
  ASSERT_EQ(ERROR_SUCCESS, session->Stop());
  const std::string expected = std::string("BLMTRACE\x01\0\0\0\x10\0\0\0", 16) +
                               // body length 44 + (4 + 4) + (4 + 3) = 59
                               std::string("\x3B\0\0\0", 4) +
                               std::string("\x03\0\x12\0", 4) +  // flags, number
                               std::string("\x0d\x0c\x0b\x0a\x1f\x1e\x2b\x2a\x30\x31\x32\x33\x34\x35\x36\x37", 16) +
                               std::string("\x01\0\0\0", 4) +            // sequence
                               std::string(8, '\0') +                    // no time stamp asked for
                               std::string(8, '\0') +                    // no system information
                               std::string("\x02\0\0\0", 4) +            // two arguments
                               std::string("\x04\0\0\0\x03\0\0\0", 8) +  // page 3
                               std::string("\x03\0\0\0" "ab\0", 7);
  EXPECT_EQ(expected, ReadAll(path));
  std::remove(path.c_str());
}

TEST(TraceFileSession, UncreatableFileIsAnError) {
  EXPECT_THROW(Session::StartToFile("/nonexistent-directory/x.trace"), std::system_error);
}

}  // namespace
