// Streams over global memory: growth, seeking, reading at the end, clones, delete-on-release, and
// the shell's IStream_Write.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <cstring>
#include <string>

#include "module/ComPtr.h"

namespace {

using brimloft::ComPtr;

constexpr DWORD kSentinelError = 0xDEADBEEF;
constexpr ULONG kSentinelCount = 0xCCCCCCCC;
constexpr ULONGLONG kSentinelPosition = 0xCCCCCCCCCCCCCCCCull;

ComPtr<IStream> StreamOn(HGLOBAL block, BOOL deleteOnRelease) {
  IStream* raw = reinterpret_cast<IStream*>(0x1);
  EXPECT_EQ(S_OK, CreateStreamOnHGlobal(block, deleteOnRelease, &raw));
  return ComPtr<IStream>::Attach(raw);
}

ULONGLONG Seek(IStream* stream, LONGLONG move, DWORD origin, HRESULT expected = S_OK) {
  LARGE_INTEGER distance;
  distance.QuadPart = move;
  ULARGE_INTEGER position;
  position.QuadPart = kSentinelPosition;
  EXPECT_EQ(expected, stream->Seek(distance, origin, &position)) << "move " << move << " origin " << origin;
  return position.QuadPart;
}

ULONGLONG StatSize(IStream* stream) {
  STATSTG stat{};
  EXPECT_EQ(S_OK, stream->Stat(&stat, STATFLAG_NONAME));
  return stat.cbSize.QuadPart;
}

std::string ReadAll(IStream* stream, ULONG max) {
  std::string out(max, '\0');
  ULONG read = kSentinelCount;
  EXPECT_EQ(S_OK, stream->Read(&out[0], max, &read));
  out.resize(read == kSentinelCount ? 0 : read);
  return out;
}

bool BlockIsValid(HGLOBAL h) {
  SetLastError(ERROR_SUCCESS);
  GlobalSize(h);
  return GetLastError() != ERROR_INVALID_HANDLE;
}

TEST(HGlobalStream, NullOutPointerIsInvalidArg) {
  EXPECT_EQ(E_INVALIDARG, CreateStreamOnHGlobal(nullptr, TRUE, nullptr));
}

TEST(HGlobalStream, WithoutABlockItStartsEmptyAndMakesItsOwn) {
  auto stream = StreamOn(nullptr, TRUE);
  ASSERT_TRUE(stream);
  EXPECT_EQ(0u, StatSize(stream.get()));
  HGLOBAL block = reinterpret_cast<HGLOBAL>(0x1);
  ASSERT_EQ(S_OK, GetHGlobalFromStream(stream.get(), &block));
  EXPECT_NE(nullptr, block);
  EXPECT_TRUE(BlockIsValid(block));
}

TEST(HGlobalStream, StartsAtTheBlocksSizeAndGrowsPastIt) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 4);
  ASSERT_NE(nullptr, block);
  std::memcpy(GlobalLock(block), "abcd", 4);
  GlobalUnlock(block);
  auto stream = StreamOn(block, TRUE);
  EXPECT_EQ(4u, StatSize(stream.get()));

  // The stream starts at offset 0: a write overwrites, then grows the block.
  ULONG written = kSentinelCount;
  ASSERT_EQ(S_OK, stream->Write("0123456789", 10, &written));
  EXPECT_EQ(10u, written);
  EXPECT_EQ(10u, StatSize(stream.get()));
  EXPECT_EQ(10u, GlobalSize(block));
  EXPECT_EQ(10u, Seek(stream.get(), 0, STREAM_SEEK_CUR));

  // Many small writes, far past any initial allocation.
  std::string expected = "0123456789";
  for (int i = 0; i < 5000; ++i) {
    const char c = static_cast<char>('a' + i % 26);
    ASSERT_EQ(S_OK, stream->Write(&c, 1, nullptr));
    expected.push_back(c);
  }
  EXPECT_EQ(expected.size(), StatSize(stream.get()));
  Seek(stream.get(), 0, STREAM_SEEK_SET);
  EXPECT_EQ(expected, ReadAll(stream.get(), 10000));
}

TEST(HGlobalStream, SeekFromEachOriginReportsTheNewPosition) {
  auto stream = StreamOn(nullptr, TRUE);
  ASSERT_EQ(S_OK, stream->Write("0123456789", 10, nullptr));
  struct Case {
    LONGLONG move;
    DWORD origin;
    ULONGLONG position;
    char next;  // the byte read there; 0 at the end
  } const cases[] = {
      {3, STREAM_SEEK_SET, 3, '3'}, {2, STREAM_SEEK_CUR, 5, '5'},  {-4, STREAM_SEEK_CUR, 1, '1'},
      {0, STREAM_SEEK_END, 10, 0},  {-1, STREAM_SEEK_END, 9, '9'}, {-10, STREAM_SEEK_END, 0, '0'},
      {0, STREAM_SEEK_SET, 0, '0'}, {0, STREAM_SEEK_CUR, 0, '0'},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(c.position, Seek(stream.get(), c.move, c.origin)) << c.move << " from " << c.origin;
    char byte = 0;
    ULONG read = kSentinelCount;
    ASSERT_EQ(S_OK, stream->Read(&byte, 1, &read));
    EXPECT_EQ(c.next ? 1u : 0u, read);
    EXPECT_EQ(c.next, byte);
    Seek(stream.get(), -static_cast<LONGLONG>(read), STREAM_SEEK_CUR);
  }
  // A null position pointer is allowed.
  LARGE_INTEGER five;
  five.QuadPart = 5;
  EXPECT_EQ(S_OK, stream->Seek(five, STREAM_SEEK_SET, nullptr));
  EXPECT_EQ(5u, Seek(stream.get(), 0, STREAM_SEEK_CUR));
}

TEST(HGlobalStream, SeekBeforeTheStartFailsAndLeavesThePosition) {
  auto stream = StreamOn(nullptr, TRUE);
  ASSERT_EQ(S_OK, stream->Write("0123456789", 10, nullptr));
  Seek(stream.get(), 4, STREAM_SEEK_SET);
  EXPECT_EQ(4u, Seek(stream.get(), -1, STREAM_SEEK_SET, STG_E_SEEKERROR));
  EXPECT_EQ(4u, Seek(stream.get(), -5, STREAM_SEEK_CUR, STG_E_SEEKERROR));
  EXPECT_EQ(4u, Seek(stream.get(), -11, STREAM_SEEK_END, STG_E_SEEKERROR));
  Seek(stream.get(), 0x7FFFFFFFFFFFFFF0ll, STREAM_SEEK_SET);
  EXPECT_EQ(0x7FFFFFFFFFFFFFF0ull, Seek(stream.get(), 0x20, STREAM_SEEK_CUR, STG_E_SEEKERROR));  // would overflow
  Seek(stream.get(), 4, STREAM_SEEK_SET);
  EXPECT_EQ(4u, Seek(stream.get(), 0, STREAM_SEEK_CUR));
  EXPECT_EQ(4u, Seek(stream.get(), 0, 3, STG_E_INVALIDFUNCTION));
  EXPECT_EQ(4u, Seek(stream.get(), 0, STREAM_SEEK_CUR));
}

TEST(HGlobalStream, ReadingAtOrPastTheEndGivesNothingAndSucceeds) {
  auto stream = StreamOn(nullptr, TRUE);
  ASSERT_EQ(S_OK, stream->Write("xyz", 3, nullptr));
  EXPECT_EQ("", ReadAll(stream.get(), 8));  // at the end after the write
  Seek(stream.get(), 100, STREAM_SEEK_SET);  // seeking past the end is allowed
  EXPECT_EQ("", ReadAll(stream.get(), 8));
  Seek(stream.get(), 1, STREAM_SEEK_SET);
  EXPECT_EQ("yz", ReadAll(stream.get(), 8));  // a short read is still S_OK
  char buffer[4];
  EXPECT_EQ(S_OK, stream->Read(buffer, sizeof buffer, nullptr));  // null count is allowed
}

TEST(HGlobalStream, WritingPastTheEndExtendsTheStreamToTheWrite) {
  auto stream = StreamOn(nullptr, TRUE);
  Seek(stream.get(), 6, STREAM_SEEK_SET);
  ASSERT_EQ(S_OK, stream->Write("AB", 2, nullptr));
  EXPECT_EQ(8u, StatSize(stream.get()));
  Seek(stream.get(), 6, STREAM_SEEK_SET);
  EXPECT_EQ("AB", ReadAll(stream.get(), 8));
}

TEST(HGlobalStream, NullBuffersAreInvalidPointers) {
  auto stream = StreamOn(nullptr, TRUE);
  ULONG count = kSentinelCount;
  EXPECT_EQ(STG_E_INVALIDPOINTER, stream->Write(nullptr, 1, &count));
  EXPECT_EQ(0u, count);
  count = kSentinelCount;
  EXPECT_EQ(STG_E_INVALIDPOINTER, stream->Read(nullptr, 1, &count));
  EXPECT_EQ(0u, count);
  EXPECT_EQ(0u, StatSize(stream.get()));
}

TEST(HGlobalStream, DeleteOnReleaseFreesTheBlockWithTheLastReference) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(nullptr, block);
  {
    auto stream = StreamOn(block, TRUE);
    ASSERT_EQ(S_OK, stream->Write("data", 4, nullptr));
    EXPECT_TRUE(BlockIsValid(block));
  }
  SetLastError(kSentinelError);
  EXPECT_EQ(0u, GlobalSize(block));
  EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
}

TEST(HGlobalStream, WithoutDeleteOnReleaseTheBlockSurvivesWithTheBytes) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 0);
  ASSERT_NE(nullptr, block);
  {
    auto stream = StreamOn(block, FALSE);
    ASSERT_EQ(S_OK, IStream_Write(stream.get(), "segment", 7));
    HGLOBAL current = nullptr;
    ASSERT_EQ(S_OK, GetHGlobalFromStream(stream.get(), &current));
    EXPECT_EQ(block, current);  // a moveable block grows under its handle
  }
  ASSERT_EQ(7u, GlobalSize(block));
  const void* data = GlobalLock(block);
  ASSERT_NE(nullptr, data);
  EXPECT_EQ(0, std::memcmp(data, "segment", 7));
  GlobalUnlock(block);
  EXPECT_EQ(nullptr, GlobalFree(block));
}

TEST(HGlobalStream, ClonesShareTheBlockButNotThePosition) {
  HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, 0);
  ASSERT_NE(nullptr, block);
  auto stream = StreamOn(block, TRUE);
  ASSERT_EQ(S_OK, stream->Write("hello", 5, nullptr));
  Seek(stream.get(), 1, STREAM_SEEK_SET);

  IStream* rawClone = nullptr;
  ASSERT_EQ(S_OK, stream->Clone(&rawClone));
  auto clone = ComPtr<IStream>::Attach(rawClone);
  EXPECT_EQ(1u, Seek(clone.get(), 0, STREAM_SEEK_CUR));  // starts where the original stood

  // A write through the clone is seen through the original, and the size is shared.
  Seek(clone.get(), 0, STREAM_SEEK_END);
  ASSERT_EQ(S_OK, clone->Write(" world", 6, nullptr));
  EXPECT_EQ(11u, StatSize(stream.get()));
  EXPECT_EQ(1u, Seek(stream.get(), 0, STREAM_SEEK_CUR));
  EXPECT_EQ("ello world", ReadAll(stream.get(), 64));

  // The block lives as long as either of them.
  stream.reset();
  EXPECT_TRUE(BlockIsValid(block));
  Seek(clone.get(), 0, STREAM_SEEK_SET);
  EXPECT_EQ("hello world", ReadAll(clone.get(), 64));
  clone.reset();
  EXPECT_FALSE(BlockIsValid(block));
}

TEST(HGlobalStream, SetSizeTruncatesAndExtends) {
  auto stream = StreamOn(nullptr, TRUE);
  ASSERT_EQ(S_OK, stream->Write("abcdef", 6, nullptr));
  ULARGE_INTEGER size;
  size.QuadPart = 2;
  ASSERT_EQ(S_OK, stream->SetSize(size));
  EXPECT_EQ(2u, StatSize(stream.get()));
  Seek(stream.get(), 0, STREAM_SEEK_SET);
  EXPECT_EQ("ab", ReadAll(stream.get(), 8));
  size.QuadPart = 100;
  ASSERT_EQ(S_OK, stream->SetSize(size));
  EXPECT_EQ(100u, StatSize(stream.get()));
}

TEST(HGlobalStream, AnswersIStreamISequentialStreamAndIUnknownOnly) {
  auto stream = StreamOn(nullptr, TRUE);
  for (const IID* iid : {&IID_IUnknown, &IID_IStream, &IID_ISequentialStream}) {
    void* p = nullptr;
    ASSERT_EQ(S_OK, stream->QueryInterface(*iid, &p));
    EXPECT_EQ(static_cast<void*>(stream.get()), p);
    static_cast<IUnknown*>(p)->Release();
  }
  void* p = reinterpret_cast<void*>(0x1);
  EXPECT_EQ(E_NOINTERFACE, stream->QueryInterface(IID_IClassFactory, &p));
  EXPECT_EQ(nullptr, p);
}

// A stream that accepts only part of every write, or fails outright.
class StingyStream final : public IStream {
 public:
  ULONG accept = 0;
  HRESULT result = S_OK;
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
  ULONG STDMETHODCALLTYPE Release() override { return 1; }
  HRESULT STDMETHODCALLTYPE Read(void*, ULONG, ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Write(const void*, ULONG cb, ULONG* written) override {
    if (written) *written = cb < accept ? cb : accept;
    return result;
  }
  HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER, DWORD, ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
    return E_NOTIMPL;
  }
  HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Stat(STATSTG*, DWORD) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
};

TEST(IStreamWrite, ShortWriteIsEFailAndFailuresPassThrough) {
  struct Case {
    ULONG accept;
    HRESULT result;
    ULONG size;
    HRESULT expected;
  } const cases[] = {
      {8, S_OK, 8, S_OK},
      {7, S_OK, 8, E_FAIL},
      {0, S_OK, 8, E_FAIL},
      {0, S_OK, 0, S_OK},
      {8, STG_E_MEDIUMFULL, 8, STG_E_MEDIUMFULL},
      {3, E_OUTOFMEMORY, 8, E_OUTOFMEMORY},
  };
  for (const Case& c : cases) {
    StingyStream stream;
    stream.accept = c.accept;
    stream.result = c.result;
    EXPECT_EQ(c.expected, IStream_Write(&stream, "12345678", c.size)) << c.accept << " of " << c.size;
  }
}

}  // namespace
