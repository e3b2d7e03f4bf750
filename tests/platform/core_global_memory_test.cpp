// Global memory blocks: fixed and moveable handles, lock counts, the documented return values and
// last errors of GlobalUnlock, GlobalFree and GlobalReAlloc.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <thread>

namespace {

constexpr DWORD kSentinelError = 0xDEADBEEF;

// Frees a block at the end of a test whatever the assertions did.
struct BlockGuard {
  HGLOBAL h;
  ~BlockGuard() {
    if (h) GlobalFree(h);
  }
};

TEST(GlobalMemory, FixedBlockIsItsOwnAddressAndLockingDoesNotCount) {
  BlockGuard block{GlobalAlloc(GMEM_FIXED, 16)};
  ASSERT_NE(nullptr, block.h);
  EXPECT_EQ(16u, GlobalSize(block.h));
  void* first = GlobalLock(block.h);
  void* second = GlobalLock(block.h);
  EXPECT_EQ(block.h, first);
  EXPECT_EQ(block.h, second);
  EXPECT_EQ(0u, GlobalFlags(block.h) & GMEM_LOCKCOUNT);
  // A fixed block is never locked, so unlocking it always succeeds.
  SetLastError(kSentinelError);
  EXPECT_NE(FALSE, GlobalUnlock(block.h));
  EXPECT_NE(FALSE, GlobalUnlock(block.h));
  EXPECT_NE(FALSE, GlobalUnlock(block.h));
  std::memset(first, 0xAB, 16);  // the whole block is usable memory
}

TEST(GlobalMemory, MoveableBlockIsAHandleThatLocksToItsData) {
  BlockGuard block{GlobalAlloc(GMEM_MOVEABLE, 8)};
  ASSERT_NE(nullptr, block.h);
  void* data = GlobalLock(block.h);
  ASSERT_NE(nullptr, data);
  EXPECT_NE(block.h, data);
  std::memcpy(data, "abcdefgh", 8);
  GlobalUnlock(block.h);
  void* again = GlobalLock(block.h);
  ASSERT_NE(nullptr, again);
  EXPECT_EQ(0, std::memcmp(again, "abcdefgh", 8));
  GlobalUnlock(block.h);
}

TEST(GlobalMemory, ZeroInitClearsTheBlock) {
  for (UINT flags : {UINT(GPTR), UINT(GHND)}) {
    BlockGuard block{GlobalAlloc(flags, 64)};
    ASSERT_NE(nullptr, block.h) << flags;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(block.h));
    ASSERT_NE(nullptr, bytes);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(0, bytes[i]) << "flags " << flags << " byte " << i;
    GlobalUnlock(block.h);
  }
}

TEST(GlobalMemory, GlobalUnlockReportsTheLockCountAsDocumented) {
  BlockGuard block{GlobalAlloc(GMEM_MOVEABLE, 4)};
  ASSERT_NE(nullptr, block.h);
  ASSERT_NE(nullptr, GlobalLock(block.h));
  ASSERT_NE(nullptr, GlobalLock(block.h));
  EXPECT_EQ(2u, GlobalFlags(block.h) & GMEM_LOCKCOUNT);

  // Still locked after this call: nonzero.
  SetLastError(kSentinelError);
  EXPECT_NE(FALSE, GlobalUnlock(block.h));
  EXPECT_EQ(1u, GlobalFlags(block.h) & GMEM_LOCKCOUNT);

  // This call unlocks it: zero, and the last error says no error.
  SetLastError(kSentinelError);
  EXPECT_EQ(FALSE, GlobalUnlock(block.h));
  EXPECT_EQ(DWORD(NO_ERROR), GetLastError());
  EXPECT_EQ(0u, GlobalFlags(block.h) & GMEM_LOCKCOUNT);

  // Not locked at all: zero with ERROR_NOT_LOCKED.
  SetLastError(kSentinelError);
  EXPECT_EQ(FALSE, GlobalUnlock(block.h));
  EXPECT_EQ(DWORD(ERROR_NOT_LOCKED), GetLastError());
}

TEST(GlobalMemory, InvalidHandlesFailWithErrorInvalidHandle) {
  HGLOBAL freed = GlobalAlloc(GMEM_MOVEABLE, 4);
  ASSERT_NE(nullptr, freed);
  ASSERT_EQ(nullptr, GlobalFree(freed));
  int local = 0;
  const HGLOBAL bogus[] = {freed, static_cast<HGLOBAL>(&local)};
  for (HGLOBAL h : bogus) {
    SetLastError(kSentinelError);
    EXPECT_EQ(0u, GlobalSize(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    SetLastError(kSentinelError);
    EXPECT_EQ(nullptr, GlobalLock(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    SetLastError(kSentinelError);
    EXPECT_EQ(FALSE, GlobalUnlock(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    // GlobalFree hands back the handle it could not free.
    SetLastError(kSentinelError);
    EXPECT_EQ(h, GlobalFree(h));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());

    SetLastError(kSentinelError);
    EXPECT_EQ(nullptr, GlobalReAlloc(h, 8, GMEM_MOVEABLE));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  }
}

TEST(GlobalMemory, GlobalFreeOfNullIsANoOp) {
  SetLastError(kSentinelError);
  EXPECT_EQ(nullptr, GlobalFree(nullptr));
  EXPECT_EQ(kSentinelError, GetLastError());
}

TEST(GlobalMemory, ZeroSizedMoveableBlockIsDiscardedAndCannotBeLocked) {
  BlockGuard block{GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, 0)};
  ASSERT_NE(nullptr, block.h);
  EXPECT_EQ(0u, GlobalSize(block.h));
  SetLastError(kSentinelError);
  EXPECT_EQ(nullptr, GlobalLock(block.h));
  EXPECT_EQ(DWORD(ERROR_DISCARDED), GetLastError());
}

TEST(GlobalMemory, ReAllocOfAMoveableBlockKeepsTheHandleAndTheBytes) {
  BlockGuard block{GlobalAlloc(GMEM_MOVEABLE, 4)};
  ASSERT_NE(nullptr, block.h);
  std::memcpy(GlobalLock(block.h), "wxyz", 4);
  GlobalUnlock(block.h);

  EXPECT_EQ(block.h, GlobalReAlloc(block.h, 4096, GMEM_MOVEABLE | GMEM_ZEROINIT));
  EXPECT_EQ(4096u, GlobalSize(block.h));
  auto* bytes = static_cast<unsigned char*>(GlobalLock(block.h));
  ASSERT_NE(nullptr, bytes);
  EXPECT_EQ(0, std::memcmp(bytes, "wxyz", 4));
  for (int i = 4; i < 4096; ++i) ASSERT_EQ(0, bytes[i]) << i;
  GlobalUnlock(block.h);

  // Shrinking to zero discards the data but keeps the handle valid.
  EXPECT_EQ(block.h, GlobalReAlloc(block.h, 0, GMEM_MOVEABLE));
  EXPECT_EQ(0u, GlobalSize(block.h));
  EXPECT_EQ(block.h, GlobalReAlloc(block.h, 2, GMEM_MOVEABLE));
  EXPECT_EQ(2u, GlobalSize(block.h));
}

TEST(GlobalMemory, ReAllocOfAFixedBlockGrowsOnlyWhenAllowedToMove) {
  HGLOBAL fixed = GlobalAlloc(GMEM_FIXED, 4);
  ASSERT_NE(nullptr, fixed);
  std::memcpy(fixed, "1234", 4);

  SetLastError(kSentinelError);
  EXPECT_EQ(nullptr, GlobalReAlloc(fixed, 1 << 20, 0));
  EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  EXPECT_EQ(4u, GlobalSize(fixed));  // the block is untouched

  HGLOBAL moved = GlobalReAlloc(fixed, 1 << 20, GMEM_MOVEABLE);
  ASSERT_NE(nullptr, moved);
  EXPECT_EQ(SIZE_T(1) << 20, GlobalSize(moved));
  EXPECT_EQ(0, std::memcmp(moved, "1234", 4));
  if (moved != fixed) {
    SetLastError(kSentinelError);
    EXPECT_EQ(0u, GlobalSize(fixed));
    EXPECT_EQ(DWORD(ERROR_INVALID_HANDLE), GetLastError());
  }

  // Shrinking in place is always allowed.
  EXPECT_EQ(moved, GlobalReAlloc(moved, 2, 0));
  EXPECT_EQ(2u, GlobalSize(moved));
  EXPECT_EQ(nullptr, GlobalFree(moved));
}

TEST(GlobalMemory, AbsurdSizesFailWithNotEnoughMemory) {
  SetLastError(kSentinelError);
  EXPECT_EQ(nullptr, GlobalAlloc(GMEM_MOVEABLE, ~SIZE_T(0)));
  EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
  SetLastError(kSentinelError);
  EXPECT_EQ(nullptr, GlobalAlloc(GMEM_FIXED, ~SIZE_T(0) / 2));
  EXPECT_EQ(DWORD(ERROR_NOT_ENOUGH_MEMORY), GetLastError());
}

TEST(GlobalMemory, LastErrorBelongsToTheCallingThread) {
  SetLastError(1234);
  DWORD seenByOther = kSentinelError;
  std::thread([&] { seenByOther = GetLastError(); SetLastError(99); }).join();
  EXPECT_EQ(DWORD(ERROR_SUCCESS), seenByOther);
  EXPECT_EQ(1234u, GetLastError());
}

}  // namespace
