// SafeHGlobal: the block's owner, its lock object, and the hand-over of the block into a stream.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlwapi.h>

#include <cstring>
#include <new>

#include "fakes/module_trace_capture.h"
#include "module/ComPtr.h"
#include "module/filtertypes.h"

namespace brimloft {
namespace {

using testing::Int32Arg;
using testing::NarrowArg;
using testing::ScopedProvider;
using testing::TraceCapture;

constexpr ULONG kAllCategories = TRACE_ERROR | TRACE_FLOW | TRACE_DETAIL;
constexpr UINT kSegmentFlags = GMEM_MOVEABLE | GMEM_DDESHARE;  // 0x2002

bool BlockIsValid(HGLOBAL h) {
  SetLastError(ERROR_SUCCESS);
  GlobalSize(h);
  return GetLastError() != ERROR_INVALID_HANDLE;
}

UINT LockCount(HGLOBAL h) { return GlobalFlags(h) & GMEM_LOCKCOUNT; }

class SafeHGlobalTest : public ::testing::Test {
 protected:
  TraceCapture capture_{kAllCategories};
  ScopedProvider provider_;
};

TEST_F(SafeHGlobalTest, OwnsTheBlockAndFreesItOnDestruction) {
  HGLOBAL block;
  {
    SafeHGlobal owner(GMEM_MOVEABLE, 32);
    block = owner.get();
    ASSERT_NE(nullptr, block);
    EXPECT_EQ(32u, GlobalSize(block));
  }
  EXPECT_FALSE(BlockIsValid(block));
  EXPECT_TRUE(capture_.Records().empty());
}

TEST_F(SafeHGlobalTest, AnImpossibleSizeThrowsOutOfMemoryFromFiltertypes) {
  try {
    SafeHGlobal owner(GMEM_FIXED, ~SIZE_T(0));
    ADD_FAILURE() << "no hr_error thrown";
  } catch (const hr_error& e) {
    EXPECT_EQ(E_OUTOFMEMORY, e.hr);
  }
  const auto thrown = capture_.Of(trace_ids::kThrowHr);
  ASSERT_EQ(1u, thrown.size());
  EXPECT_EQ(NarrowArg("filtertypes"), thrown[0].arguments.at(0));
  EXPECT_EQ(Int32Arg(E_OUTOFMEMORY), thrown[0].arguments.at(2));
}

TEST_F(SafeHGlobalTest, TheLockObjectLocksUntilItGoes) {
  SafeHGlobal owner(GMEM_MOVEABLE, 8);
  {
    auto lock = owner.Lock();
    ASSERT_NE(nullptr, lock);
    ASSERT_NE(nullptr, lock->data());
    EXPECT_EQ(1u, LockCount(owner.get()));
    std::memcpy(lock->data(), "12345678", 8);
    {
      auto inner = owner.Lock();
      EXPECT_EQ(lock->data(), inner->data());
      EXPECT_EQ(2u, LockCount(owner.get()));
    }
    EXPECT_EQ(1u, LockCount(owner.get()));
  }
  EXPECT_EQ(0u, LockCount(owner.get()));
  // Unlocking to 0 reports "no error", which is no failure.
  EXPECT_TRUE(capture_.Of(trace_ids::kTraceFailure).empty());
  EXPECT_TRUE(capture_.Of(trace_ids::kThrowHr).empty());
}

TEST_F(SafeHGlobalTest, AFixedBlockLocksToItself) {
  SafeHGlobal owner(GMEM_FIXED, 4);
  {
    auto lock = owner.Lock();
    EXPECT_EQ(static_cast<void*>(owner.get()), lock->data());
  }
  EXPECT_TRUE(capture_.Records().empty());
}

TEST_F(SafeHGlobalTest, AFailedUnlockIsTracedAndNotRaised) {
  SafeHGlobal owner(GMEM_MOVEABLE, 4);
  auto lock = owner.Lock();
  ASSERT_EQ(0, GlobalUnlock(owner.get()));  // unlocked behind the lock object's back
  EXPECT_NO_THROW(lock.reset());
  const auto failures = capture_.Of(trace_ids::kTraceFailure);
  ASSERT_EQ(1u, failures.size());
  EXPECT_EQ(Int32Arg(HRESULT_FROM_WIN32(ERROR_NOT_LOCKED)), failures[0].arguments.at(0));
  EXPECT_EQ(NarrowArg("filtertypes"), failures[0].arguments.at(1));
}

TEST_F(SafeHGlobalTest, AnEmptySegmentBlockLocksToANullPointerWithoutThrowing) {
  SafeHGlobal owner(kSegmentFlags, 0);
  ASSERT_NE(nullptr, owner.get());
  SetLastError(ERROR_ACCESS_DENIED);  // a stale error must not count
  std::unique_ptr<SafeHGlobal::LockObject> lock;
  ASSERT_NO_THROW(lock = owner.Lock());
  ASSERT_NE(nullptr, lock);
  EXPECT_EQ(nullptr, lock->data());
  lock.reset();
  EXPECT_TRUE(capture_.Of(trace_ids::kThrowHr).empty());
  EXPECT_TRUE(capture_.Of(trace_ids::kTraceFailure).empty());
}

TEST_F(SafeHGlobalTest, AStreamOverTheBlockGrowsItAndTheOwnerStillFreesIt) {
  HGLOBAL block;
  {
    SafeHGlobal owner(kSegmentFlags, 0);
    block = owner.get();
    IStream* raw = nullptr;
    ASSERT_EQ(S_OK, CreateStreamOnHGlobal(owner.get(), FALSE, &raw));
    auto stream = ComPtr<IStream>::Attach(raw);
    ASSERT_EQ(S_OK, IStream_Write(stream.get(), "\x1b@segment", 9));
    stream.reset();
    auto lock = owner.Lock();
    ASSERT_NE(nullptr, lock->data());
    EXPECT_EQ(9u, GlobalSize(owner.get()));
    EXPECT_EQ(0, std::memcmp(lock->data(), "\x1b@segment", 9));
  }
  EXPECT_FALSE(BlockIsValid(block));
}

TEST_F(SafeHGlobalTest, ReleasedIntoAStreamTheBlockIsTheStreams) {
  HGLOBAL block;
  ComPtr<IStream> stream;
  {
    SafeHGlobal owner(GMEM_MOVEABLE, 4);
    block = owner.get();
    {
      auto lock = owner.Lock();
      std::memcpy(lock->data(), "data", 4);
    }
    stream = ComPtr<IStream>::Attach(owner.ReleaseIntoStream());
    ASSERT_TRUE(stream);
    EXPECT_EQ(nullptr, owner.get());
  }
  // The owner freed nothing: the stream reads the bytes.
  ASSERT_TRUE(BlockIsValid(block));
  char bytes[4] = {};
  ULONG read = 0;
  ASSERT_EQ(S_OK, stream->Read(bytes, 4, &read));
  EXPECT_EQ(4u, read);
  EXPECT_EQ(0, std::memcmp(bytes, "data", 4));
  // The stream frees the block with its last reference.
  stream.reset();
  EXPECT_FALSE(BlockIsValid(block));
  EXPECT_TRUE(capture_.Records().empty());
}

TEST_F(SafeHGlobalTest, AFailedHandOverThrowsTheStreamsFailureAndKeepsTheBlock) {
  SafeHGlobal owner(GMEM_MOVEABLE, 4);
  HGLOBAL block = owner.get();
  ASSERT_EQ(nullptr, GlobalFree(block));  // a stale handle: no stream can be made over it
  IStream* probe = nullptr;
  const HRESULT expected = CreateStreamOnHGlobal(block, FALSE, &probe);
  ASSERT_TRUE(FAILED(expected));
  capture_.Restart();
  try {
    owner.ReleaseIntoStream();
    ADD_FAILURE() << "no hr_error thrown";
  } catch (const hr_error& e) {
    EXPECT_EQ(expected, e.hr);
  }
  EXPECT_EQ(block, owner.get());
  const auto thrown = capture_.Of(trace_ids::kThrowHr);
  ASSERT_EQ(1u, thrown.size());
  EXPECT_EQ(NarrowArg("filtertypes"), thrown[0].arguments.at(0));
}

}  // namespace
}  // namespace brimloft
