#include <gtest/gtest.h>

#include <windows.h>

#include <platform/thread_token.h>

#include <thread>

namespace brimloft {
namespace {

namespace token = platform::thread_token;

const HANDLE kToken = reinterpret_cast<HANDLE>(0x4242);

TEST(SetThreadToken, SetsAndRevertsTheCallingThreadsTokenOnly) {
  ASSERT_EQ(nullptr, token::Current());
  ASSERT_TRUE(SetThreadToken(nullptr, kToken));
  EXPECT_EQ(kToken, token::Current());
  HANDLE seenElsewhere = kToken;
  std::thread([&] { seenElsewhere = token::Current(); }).join();
  EXPECT_EQ(nullptr, seenElsewhere);
  ASSERT_TRUE(SetThreadToken(nullptr, nullptr));
  EXPECT_EQ(nullptr, token::Current());
  ASSERT_TRUE(SetThreadToken(nullptr, nullptr));  // reverting twice is harmless
}

TEST(SetThreadToken, RefusesOtherThreadsAndInvalidTokensAndChangesNothing) {
  ASSERT_TRUE(SetThreadToken(nullptr, kToken));
  HANDLE otherThread = reinterpret_cast<HANDLE>(0x99);
  SetLastError(0);
  EXPECT_FALSE(SetThreadToken(&otherThread, nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(0);
  EXPECT_FALSE(SetThreadToken(nullptr, reinterpret_cast<HANDLE>(-1)));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  EXPECT_EQ(kToken, token::Current());
  HANDLE self = reinterpret_cast<HANDLE>(-2);  // the calling thread's pseudo handle
  EXPECT_TRUE(SetThreadToken(&self, nullptr));
  EXPECT_EQ(nullptr, token::Current());
}

TEST(SetThreadToken, ScriptedFailuresSetTheirErrorAndLeaveTheTokenAlone) {
  token::ScriptCalls({ERROR_ACCESS_DENIED, token::kSucceed, 0});
  SetLastError(0);
  EXPECT_FALSE(SetThreadToken(nullptr, kToken));
  EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
  EXPECT_EQ(nullptr, token::Current());
  EXPECT_TRUE(SetThreadToken(nullptr, kToken));
  SetLastError(ERROR_INVALID_PARAMETER);
  EXPECT_FALSE(SetThreadToken(nullptr, nullptr));
  EXPECT_EQ(0u, GetLastError());
  EXPECT_EQ(kToken, token::Current());
  EXPECT_TRUE(SetThreadToken(nullptr, nullptr));  // past the script
  EXPECT_EQ(4, token::EndScript());
  EXPECT_EQ(nullptr, token::Current());
}

}  // namespace
}  // namespace brimloft
