// Provider registration and the control requests a session sends to it.
#include <gtest/gtest.h>

#include <platform/trace_controller.h>

#include "platform/trace_test_support.h"

namespace {

using platform::trace::Session;
using trace_test::Provider;

// Distinct control identifiers so that tests never see each other's providers.
constexpr GUID kControlA = {0x5a1c0f00, 0x1111, 0x4a4a, {0x80, 0x01, 0, 0, 0, 0, 0, 0xa1}};
constexpr GUID kControlB = {0x5a1c0f00, 0x1111, 0x4a4a, {0x80, 0x01, 0, 0, 0, 0, 0, 0xb2}};
constexpr GUID kControlC = {0x5a1c0f00, 0x1111, 0x4a4a, {0x80, 0x01, 0, 0, 0, 0, 0, 0xc3}};

ULONG WINAPI IgnoreRequests(WMIDPREQUESTCODE, PVOID, ULONG*, PVOID) { return ERROR_SUCCESS; }

TEST(TraceRegistration, RejectsMissingArguments) {
  TRACEHANDLE handle = 0xDEADBEEF;
  TRACE_GUID_REGISTRATION reg = {&kControlA, nullptr};
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegisterTraceGuidsA(nullptr, nullptr, &kControlA, 1, &reg, nullptr, nullptr, &handle));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegisterTraceGuidsA(&IgnoreRequests, nullptr, nullptr, 1, &reg, nullptr, nullptr, &handle));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegisterTraceGuidsA(&IgnoreRequests, nullptr, &kControlA, 1, &reg, nullptr, nullptr, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegisterTraceGuidsA(&IgnoreRequests, nullptr, &kControlA, 1, nullptr, nullptr, nullptr, &handle));
  EXPECT_EQ(0xDEADBEEFu, handle) << "a failed registration leaves the handle alone";
}

TEST(TraceRegistration, HandsOutDistinctHandlesAndFillsClassRegistrations) {
  TRACEHANDLE first = 0, second = 0;
  TRACE_GUID_REGISTRATION reg1 = {&kControlA, nullptr}, reg2 = {&kControlA, nullptr};
  ASSERT_EQ(ERROR_SUCCESS,
            RegisterTraceGuidsA(&IgnoreRequests, nullptr, &kControlA, 1, &reg1, "img", "res", &first));
  ASSERT_EQ(ERROR_SUCCESS,
            RegisterTraceGuidsA(&IgnoreRequests, nullptr, &kControlA, 1, &reg2, nullptr, nullptr, &second));
  EXPECT_NE(0u, first);
  EXPECT_NE(0u, second);
  EXPECT_NE(first, second);
  EXPECT_EQ(reinterpret_cast<HANDLE>(first), reg1.RegHandle);
  EXPECT_EQ(reinterpret_cast<HANDLE>(second), reg2.RegHandle);
  EXPECT_EQ(ERROR_SUCCESS, UnregisterTraceGuids(first));
  EXPECT_EQ(ERROR_SUCCESS, UnregisterTraceGuids(second));
}

TEST(TraceRegistration, UnregisteringTwiceOrUnknownHandleFails) {
  Provider provider(kControlA);
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  const TRACEHANDLE handle = provider.handle();
  EXPECT_EQ(ERROR_SUCCESS, UnregisterTraceGuids(handle));
  EXPECT_EQ(ERROR_INVALID_HANDLE, UnregisterTraceGuids(handle));
  EXPECT_EQ(ERROR_INVALID_HANDLE, UnregisterTraceGuids(0));
  EXPECT_EQ(ERROR_INVALID_HANDLE, UnregisterTraceGuids(~TRACEHANDLE{0}));
}

TEST(TraceControl, EnableAndDisableDriveTheCallbackWithTheSessionsValues) {
  Provider provider(kControlA);
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  EXPECT_TRUE(provider.requests().empty()) << "no session has asked for it yet";

  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, TRACE_LEVEL_VERBOSE, 0x1 | 0x4));
  ASSERT_EQ(1u, provider.requests().size());
  const auto enable = provider.requests()[0];
  EXPECT_EQ(WMI_ENABLE_EVENTS, enable.code);
  EXPECT_EQ(session->LoggerHandle(TRACE_LEVEL_VERBOSE, 0x5), enable.logger);
  EXPECT_NE(0u, enable.logger);
  EXPECT_EQ(TRACE_LEVEL_VERBOSE, enable.level);
  EXPECT_EQ(0x5u, enable.flags);
  EXPECT_EQ(sizeof(WNODE_HEADER), enable.bufferSize);

  // Enabling again with new values reaches the provider with a handle carrying them.
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, TRACE_LEVEL_ERROR, 0x8));
  ASSERT_EQ(2u, provider.requests().size());
  EXPECT_EQ(WMI_ENABLE_EVENTS, provider.requests()[1].code);
  EXPECT_EQ(TRACE_LEVEL_ERROR, provider.requests()[1].level);
  EXPECT_EQ(0x8u, provider.requests()[1].flags);

  ASSERT_EQ(ERROR_SUCCESS, session->Disable(kControlA));
  ASSERT_EQ(3u, provider.requests().size());
  EXPECT_EQ(WMI_DISABLE_EVENTS, provider.requests()[2].code);
  EXPECT_EQ(provider.requests()[1].logger, provider.requests()[2].logger);
  EXPECT_EQ(ERROR_NOT_FOUND, session->Disable(kControlA));
  EXPECT_EQ(3u, provider.requests().size());
}

TEST(TraceControl, CategoryFlagsPassThroughUnchanged) {
  Provider provider(kControlA);
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  auto session = Session::StartInMemory();
  const struct {
    UCHAR level;
    ULONG flags;
  } cases[] = {{0, 0}, {1, 0x1}, {4, 0x4}, {5, 0x8}, {5, 0xD}, {255, 0xFFFFFFFF}, {2, 0x80000002}};
  for (const auto& c : cases) {
    ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, c.level, c.flags));
    const auto& last = provider.requests().back();
    EXPECT_EQ(c.level, last.level) << c.flags;
    EXPECT_EQ(c.flags, last.flags) << c.flags;
    EXPECT_EQ(c.level, GetTraceEnableLevel(provider.logger()));
    EXPECT_EQ(c.flags, GetTraceEnableFlags(provider.logger()));
  }
}

TEST(TraceControl, ProviderEnabledBeforeItRegistersIsEnabledOnRegistration) {
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlB, TRACE_LEVEL_INFORMATION, 0xC));
  Provider provider(kControlB);
  TRACEHANDLE handleSeenByCallback = 0;
  provider.onRequest = [&](const trace_test::Request&) { handleSeenByCallback = provider.handle(); };
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  ASSERT_EQ(1u, provider.requests().size()) << "the callback runs inside RegisterTraceGuidsA";
  EXPECT_NE(0u, handleSeenByCallback) << "the registration handle is stored before the callback runs";
  EXPECT_EQ(provider.handle(), handleSeenByCallback);
  EXPECT_EQ(WMI_ENABLE_EVENTS, provider.requests()[0].code);
  EXPECT_EQ(TRACE_LEVEL_INFORMATION, provider.requests()[0].level);
  EXPECT_EQ(0xCu, provider.requests()[0].flags);

  // After unregistering and registering again (a module reloaded) it is enabled again.
  ASSERT_EQ(ERROR_SUCCESS, provider.Unregister());
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  ASSERT_EQ(2u, provider.requests().size());
  EXPECT_EQ(WMI_ENABLE_EVENTS, provider.requests()[1].code);
}

TEST(TraceControl, UnregisteredProviderHearsNothingMore) {
  Provider provider(kControlA);
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  ASSERT_EQ(ERROR_SUCCESS, provider.Unregister());
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, 5, 0xF));
  ASSERT_EQ(ERROR_SUCCESS, session->Disable(kControlA));
  EXPECT_TRUE(provider.requests().empty());
}

TEST(TraceControl, EveryRegistrationOfAControlIdentifierIsNotified) {
  Provider first(kControlA), second(kControlA), other(kControlC);
  ASSERT_EQ(ERROR_SUCCESS, first.Register());
  ASSERT_EQ(ERROR_SUCCESS, second.Register());
  ASSERT_EQ(ERROR_SUCCESS, other.Register());
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, 4, 0x4));
  EXPECT_EQ(1u, first.requests().size());
  EXPECT_EQ(1u, second.requests().size());
  EXPECT_TRUE(other.requests().empty());
}

TEST(TraceControl, StoppingASessionDisablesItsProvidersAndInvalidatesItsHandle) {
  Provider a(kControlA), c(kControlC);
  ASSERT_EQ(ERROR_SUCCESS, a.Register());
  ASSERT_EQ(ERROR_SUCCESS, c.Register());
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, 4, 0x4));
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlC, 5, 0x8));
  const TRACEHANDLE logger = a.logger();
  // The handle is still valid while the disable request runs.
  UCHAR levelDuringDisable = 0xEE;
  a.onRequest = [&](const trace_test::Request& r) {
    if (r.code == WMI_DISABLE_EVENTS) levelDuringDisable = GetTraceEnableLevel(r.logger);
  };
  EXPECT_EQ(ERROR_SUCCESS, session->Stop());
  ASSERT_EQ(2u, a.requests().size());
  EXPECT_EQ(WMI_DISABLE_EVENTS, a.requests()[1].code);
  EXPECT_EQ(4, levelDuringDisable);
  ASSERT_EQ(2u, c.requests().size());
  EXPECT_EQ(WMI_DISABLE_EVENTS, c.requests()[1].code);

  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(0, GetTraceEnableLevel(logger));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(0u, GetTraceEnableFlags(logger));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_HANDLE), GetLastError());

  EXPECT_EQ(ERROR_INVALID_HANDLE, session->Enable(kControlA, 4, 0x4));
  EXPECT_EQ(ERROR_INVALID_HANDLE, session->Disable(kControlA));
  EXPECT_EQ(ERROR_SUCCESS, session->Stop()) << "stopping again is harmless";
  EXPECT_EQ(2u, a.requests().size());
}

TEST(TraceControl, DestroyingASessionDisablesItsProviders) {
  Provider provider(kControlA);
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  {
    auto session = Session::StartInMemory();
    ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, 4, 0x4));
  }
  ASSERT_EQ(2u, provider.requests().size());
  EXPECT_EQ(WMI_DISABLE_EVENTS, provider.requests()[1].code);
}

TEST(TraceControl, OneSessionAtATimeEnablesAProvider) {
  auto first = Session::StartInMemory();
  auto second = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, first->Enable(kControlB, 4, 0x4));
  EXPECT_EQ(ERROR_ACCESS_DENIED, second->Enable(kControlB, 4, 0x4));
  ASSERT_EQ(ERROR_SUCCESS, first->Disable(kControlB));
  EXPECT_EQ(ERROR_SUCCESS, second->Enable(kControlB, 4, 0x4));
}

TEST(TraceControl, SessionsHaveDistinctLoggerHandles) {
  auto first = Session::StartInMemory();
  auto second = Session::StartInMemory();
  EXPECT_NE(first->LoggerHandle(4, 0x4), second->LoggerHandle(4, 0x4));
}

TEST(TraceControl, LoggerHandleOfANullBufferIsInvalid) {
  SetLastError(ERROR_SUCCESS);
  EXPECT_EQ(static_cast<TRACEHANDLE>(-1), GetTraceLoggerHandle(nullptr));
  EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
}

TEST(TraceControl, CallbackMayWriteAndUnregisterWhileBeingNotified) {
  constexpr GUID kMessage = {0x5a1c0f01, 0x2222, 0x4b4b, {0x80, 0x02, 0, 0, 0, 0, 0, 0x01}};
  Provider provider(kControlA);
  ASSERT_EQ(ERROR_SUCCESS, provider.Register());
  provider.onRequest = [&](const trace_test::Request& r) {
    if (r.code == WMI_ENABLE_EVENTS)
      EXPECT_EQ(ERROR_SUCCESS, TraceMessage(r.logger, TRACE_MESSAGE_GUID, &kMessage, 10, nullptr));
    else
      EXPECT_EQ(ERROR_SUCCESS, provider.Unregister());
  };
  auto session = Session::StartInMemory();
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, 4, 0x4));
  EXPECT_EQ(1u, session->Records().size());
  ASSERT_EQ(ERROR_SUCCESS, session->Disable(kControlA));
  EXPECT_EQ(0u, provider.handle());
  ASSERT_EQ(ERROR_SUCCESS, session->Enable(kControlA, 4, 0x4));
  EXPECT_EQ(2u, provider.requests().size()) << "unregistered from within its own callback";
}

}  // namespace
