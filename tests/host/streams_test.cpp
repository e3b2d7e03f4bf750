// The read and write streams of the pipeline host.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "host/failures/host_error.h"
#include "host/pipeline/read_stream.h"
#include "host/pipeline/write_stream.h"
#include "host_test_util.h"


namespace {

using brimloft::ComPtr;

ComPtr<IPrintReadStream> StreamOf(const std::string& text) {
  return host::ReadStream::Create(std::make_shared<host::Bytes>(text.begin(), text.end()));
}

TEST(ReadStream, SeekOriginsAndLimits) {
  auto s = StreamOf("0123456789");
  struct Case {
    LONGLONG move;
    DWORD origin;
    HRESULT hr;
    ULONGLONG position;  // after the call
  } cases[] = {
      {0, STREAM_SEEK_END, S_OK, 10},  {3, STREAM_SEEK_SET, S_OK, 3},   {2, STREAM_SEEK_CUR, S_OK, 5},
      {-5, STREAM_SEEK_CUR, S_OK, 0},  {-1, STREAM_SEEK_CUR, STG_E_INVALIDFUNCTION, 0},
      {-4, STREAM_SEEK_END, S_OK, 6},  {-11, STREAM_SEEK_END, STG_E_INVALIDFUNCTION, 6},
      {25, STREAM_SEEK_SET, S_OK, 25}, {0, 3, STG_E_INVALIDFUNCTION, 25},
  };
  for (const Case& c : cases) {
    ULONGLONG pos = 0xDEADBEEF;
    EXPECT_EQ(s->Seek(c.move, c.origin, &pos), c.hr) << c.move << "/" << c.origin;
    ULONGLONG now = 0;
    ASSERT_EQ(s->Seek(0, STREAM_SEEK_CUR, &now), S_OK);
    EXPECT_EQ(now, c.position) << c.move << "/" << c.origin;
    if (c.hr == S_OK) {
      EXPECT_EQ(pos, c.position);
    }
  }
  EXPECT_EQ(s->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
}

TEST(ReadStream, ReadsReportCountsAndEndOfFile) {
  auto s = StreamOf("abcdefg");
  char buffer[8] = {};
  ULONG got = 99;
  BOOL eof = 7;
  ASSERT_EQ(s->ReadBytes(buffer, 4, &got, &eof), S_OK);
  EXPECT_EQ(got, 4u);
  EXPECT_EQ(eof, FALSE);
  EXPECT_EQ(std::string(buffer, 4), "abcd");
  ASSERT_EQ(s->ReadBytes(buffer, 8, &got, &eof), S_OK);
  EXPECT_EQ(got, 3u);
  EXPECT_EQ(eof, TRUE);
  EXPECT_EQ(std::string(buffer, 3), "efg");
  got = 99;
  eof = 7;
  ASSERT_EQ(s->ReadBytes(buffer, 8, &got, &eof), S_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(eof, TRUE);
  // Reading exactly to the end reports the end at once.
  ASSERT_EQ(s->Seek(0, STREAM_SEEK_SET, nullptr), S_OK);
  ASSERT_EQ(s->ReadBytes(buffer, 7, &got, &eof), S_OK);
  EXPECT_EQ(got, 7u);
  EXPECT_EQ(eof, TRUE);
  EXPECT_EQ(s->ReadBytes(buffer, 1, nullptr, &eof), E_POINTER);
  EXPECT_EQ(s->ReadBytes(nullptr, 1, &got, &eof), E_POINTER);
  auto empty = StreamOf("");
  ASSERT_EQ(empty->ReadBytes(buffer, 8, &got, &eof), S_OK);
  EXPECT_EQ(got, 0u);
  EXPECT_EQ(eof, TRUE);
}

TEST(ReadStreamFactory, EveryStreamStartsAtTheBeginning) {
  const std::string text = "<ticket/>";
  auto factory = host::ReadStreamFactory::Create(std::make_shared<host::Bytes>(text.begin(), text.end()));
  ComPtr<IPrintReadStream> a, b;
  ASSERT_EQ(factory->GetStream(a.put()), S_OK);
  ASSERT_EQ(a->Seek(0, STREAM_SEEK_END, nullptr), S_OK);
  ASSERT_EQ(factory->GetStream(b.put()), S_OK);
  char buffer[16];
  ULONG got = 0;
  BOOL eof = FALSE;
  ASSERT_EQ(b->ReadBytes(buffer, sizeof buffer, &got, &eof), S_OK);
  EXPECT_EQ(std::string(buffer, got), text);
  EXPECT_EQ(factory->GetStream(nullptr), E_POINTER);
}

TEST(FdWriteStream, WritesEverythingToAFileAndClosesOnce) {
  host_test::ScratchDir dir;
  auto out = host::FdWriteStream::OpenPath(dir.File("out.bin"));
  const std::string big(1 << 20, 'x');
  ULONG written = 0;
  EXPECT_EQ(out->WriteBytes("head", 4, &written), S_OK);
  EXPECT_EQ(written, 4u);
  EXPECT_EQ(out->WriteBytes(big.data(), static_cast<ULONG>(big.size()), &written), S_OK);
  EXPECT_EQ(out->WriteBytes(nullptr, 0, nullptr), S_OK);
  EXPECT_EQ(out->WriteBytes(nullptr, 3, &written), E_POINTER);
  out->Close();
  out->Close();
  EXPECT_EQ(out->CloseCount(), 2);
  EXPECT_EQ(out->WriteBytes("late", 4, &written), E_HANDLE);
  EXPECT_EQ(written, 0u);
  EXPECT_EQ(out->BytesWritten(), 4u + big.size());
  EXPECT_EQ(host_test::ReadWholeFile(dir.File("out.bin")), "head" + big);
  EXPECT_EQ(out->LastError(), "");
}

TEST(FdWriteStream, TruncatesAFileButNotADevice) {
  host_test::ScratchDir dir;
  host_test::WriteFile(dir.File("old.bin"), "old contents");
  auto file = host::FdWriteStream::OpenPath(dir.File("old.bin"));
  file->WriteBytes("new", 3, nullptr);
  file->Close();
  EXPECT_EQ(host_test::ReadWholeFile(dir.File("old.bin")), "new");
  auto device = host::FdWriteStream::OpenPath("/dev/null");
  EXPECT_EQ(device->WriteBytes("abc", 3, nullptr), S_OK);
  device->Close();
}

TEST(FdWriteStream, OpenFailuresSayWhy) {
  host_test::ScratchDir dir;
  const struct {
    std::string path;
    HRESULT hr;
  } cases[] = {{dir.File("missing/dir/out.bin"), HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND)},
               {dir.File(""), HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED)}};
  for (const auto& c : cases) {
    try {
      host::FdWriteStream::OpenPath(c.path);
      ADD_FAILURE() << c.path;
    } catch (const host::HostError& e) {
      EXPECT_EQ(e.hr(), c.hr) << c.path;
      EXPECT_NE(std::string(e.what()).find(c.path), std::string::npos);
    }
  }
}

TEST(FdWriteStream, AVanishedReaderIsABrokenPipe) {
  const auto previous = signal(SIGPIPE, SIG_IGN);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);
  auto out = host::FdWriteStream::OpenPath("/dev/fd/" + std::to_string(fds[1]));
  close(fds[1]);
  ULONG written = 77;
  EXPECT_EQ(out->WriteBytes("data", 4, &written), HRESULT_FROM_WIN32(ERROR_BROKEN_PIPE));
  EXPECT_EQ(written, 0u);
  EXPECT_NE(out->LastError().find("Broken pipe"), std::string::npos) << out->LastError();
  out->Close();
  signal(SIGPIPE, previous);
}

TEST(FdWriteStream, AFullDiskFailsTheWrite) {
  auto out = host::FdWriteStream::OpenPath("/dev/full");
  EXPECT_EQ(out->WriteBytes("data", 4, nullptr), HRESULT_FROM_WIN32(ERROR_DISK_FULL));
}

TEST(MemoryWriteStream, KeepsWritesAndFailsBeyondItsLimit) {
  auto out = host::MemoryWriteStream::Create();
  out->FailBeyond(6, E_ACCESSDENIED);
  EXPECT_EQ(out->WriteBytes("abcd", 4, nullptr), S_OK);
  EXPECT_EQ(out->WriteBytes("efg", 3, nullptr), E_ACCESSDENIED);
  EXPECT_EQ(out->WriteBytes("ef", 2, nullptr), S_OK);
  EXPECT_EQ(out->WriteSizes(), (std::vector<ULONG>{4, 2}));
  const auto bytes = out->Bytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "abcdef");
  out->Close();
  EXPECT_EQ(out->WriteBytes("g", 1, nullptr), E_HANDLE);
  EXPECT_EQ(out->CloseCount(), 1);
}

}  // namespace
