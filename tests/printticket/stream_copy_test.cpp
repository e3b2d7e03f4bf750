#include <gtest/gtest.h>

#include "fakes/com_apartment.h"
#include "fakes/fake_pipeline.h"
#include "fakes/memory_stream.h"
#include "module/filtertypes.h"
#include "xps/StreamCopy.h"

#include <climits>
#include <functional>

namespace brimloft {
namespace {

using fakes::FakeReadStream;
using fakes::Make;

HRESULT Raised(const std::function<void()>& work) {
  try {
    work();
  } catch (const hr_error& e) {
    return e.hr;
  }
  return S_OK;
}

std::string Pattern(size_t size) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>(i * 7 + 3);
  return bytes;
}

ULONGLONG Position(IStream* stream) {
  LARGE_INTEGER none;
  none.QuadPart = 0;
  ULARGE_INTEGER at;
  at.QuadPart = 99;
  stream->Seek(none, STREAM_SEEK_CUR, &at);
  return at.QuadPart;
}

class StreamCopy : public ::testing::Test {
 protected:
  fakes::ComApartment apartment_;
};

TEST_F(StreamCopy, CopiesEveryByteInAsManyReadsAsTheStreamNeedsAndStartsAtTheStart) {
  const std::string bytes = Pattern(10000);
  auto source = Make<FakeReadStream>(bytes);
  source->maxChunk = 4096;
  ASSERT_EQ(S_OK, source->Seek(123, STREAM_SEEK_SET, nullptr));  // copied from the start all the same
  ComPtr<IStream> copy;
  ASSERT_EQ(S_OK, Raised([&] { copy = CopyToMemoryStream(source.get()); }));
  EXPECT_EQ(0u, Position(copy.get()));
  EXPECT_EQ(bytes, fakes::ContentOf(copy.get()));
  EXPECT_EQ(3, source->reads);
}

// The copy's block is moveable, as a memory stream needs: the stream keeps its handle when it grows.
TEST_F(StreamCopy, TheCopyKeepsItsBlockWhenItGrows) {
  auto source = Make<FakeReadStream>(Pattern(100));
  ComPtr<IStream> copy;
  ASSERT_EQ(S_OK, Raised([&] { copy = CopyToMemoryStream(source.get()); }));
  HGLOBAL before = nullptr;
  ASSERT_EQ(S_OK, GetHGlobalFromStream(copy.get(), &before));
  ULARGE_INTEGER larger;
  larger.QuadPart = 1 << 20;
  ASSERT_EQ(S_OK, copy->SetSize(larger));
  HGLOBAL after = nullptr;
  ASSERT_EQ(S_OK, GetHGlobalFromStream(copy.get(), &after));
  EXPECT_EQ(before, after);
  EXPECT_EQ(Pattern(100), fakes::ContentOf(copy.get()).substr(0, 100));
}

TEST_F(StreamCopy, AnEmptyStreamGivesAnEmptyCopy) {
  auto source = Make<FakeReadStream>("");
  ComPtr<IStream> copy;
  ASSERT_EQ(S_OK, Raised([&] { copy = CopyToMemoryStream(source.get()); }));
  EXPECT_EQ("", fakes::ContentOf(copy.get()));
}

TEST_F(StreamCopy, AStreamThatEndsEarlyGivesACopyOfWhatItDelivered) {
  for (bool byEndFlag : {true, false}) {
    auto source = Make<FakeReadStream>(Pattern(1000));
    if (byEndFlag) {
      source->EndAfter(600);  // claims end of file after 600 bytes
    } else {
      source->ReportSize(1500);  // says 1500, has 1000: the next read delivers nothing
    }
    ComPtr<IStream> copy;
    ASSERT_EQ(S_OK, Raised([&] { copy = CopyToMemoryStream(source.get()); }));
    EXPECT_EQ(Pattern(1000).substr(0, byEndFlag ? 600 : 1000), fakes::ContentOf(copy.get()));
    STATSTG stat{};
    ASSERT_EQ(S_OK, copy->Stat(&stat, STATFLAG_NONAME));
    EXPECT_EQ(byEndFlag ? 600u : 1000u, stat.cbSize.QuadPart);
  }
}

TEST_F(StreamCopy, FailuresOfTheStreamAreRaised) {
  auto failingRead = Make<FakeReadStream>(Pattern(100));
  failingRead->readFailure = STG_E_ACCESSDENIED;
  EXPECT_EQ(STG_E_ACCESSDENIED, Raised([&] { CopyToMemoryStream(failingRead.get()); }));
  auto failingSeek = Make<FakeReadStream>(Pattern(100));
  failingSeek->seekFailure = E_NOTIMPL;
  EXPECT_EQ(E_NOTIMPL, Raised([&] { CopyToMemoryStream(failingSeek.get()); }));
  auto boasting = Make<FakeReadStream>(Pattern(100));
  boasting->overReport = true;  // claims more than it was asked for
  EXPECT_EQ(E_UNEXPECTED, Raised([&] { CopyToMemoryStream(boasting.get()); }));
}

TEST_F(StreamCopy, APartLongerThanTheLimitIsRefusedBeforeAnythingIsAllocatedOrRead) {
  const HRESULT kTooLarge = HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE);
  for (ULONGLONG reported : {kMaxPartCopyBytes + 1, ULONGLONG(1) << 50, ULONGLONG(LLONG_MAX)}) {
    auto huge = Make<FakeReadStream>("x");
    huge->ReportSize(reported);
    EXPECT_EQ(kTooLarge, Raised([&] { CopyToMemoryStream(huge.get()); })) << reported;
    EXPECT_EQ(0, huge->reads);
  }
  // At the limit the block is made; the stream then ends after its one byte.
  auto atLimit = Make<FakeReadStream>("x");
  atLimit->ReportSize(kMaxPartCopyBytes);
  ComPtr<IStream> copy;
  ASSERT_EQ(S_OK, Raised([&] { copy = CopyToMemoryStream(atLimit.get()); }));
  EXPECT_EQ("x", fakes::ContentOf(copy.get()));
}

TEST_F(StreamCopy, GetPartStreamCopiesThePartsContentAndRaisesItsFailure) {
  auto part = Make<fakes::FakePrintTicket>("<ticket/>");
  ComPtr<IStream> copy;
  ASSERT_EQ(S_OK, Raised([&] { copy = GetPartStream(part.get()); }));
  EXPECT_EQ("<ticket/>", fakes::ContentOf(copy.get()));
  part->getStreamFailure = E_ACCESSDENIED;
  EXPECT_EQ(E_ACCESSDENIED, Raised([&] { GetPartStream(part.get()); }));
}

}  // namespace
}  // namespace brimloft
