// The provider functions of <evntrace.h> over the in-process tracing service.
#include <evntrace.h>

#include <chrono>

#include <sys/syscall.h>
#include <unistd.h>

#include "trace/trace_service.h"

using platform::trace::Record;
using platform::trace::Service;

namespace {

constexpr ULONG kSupportedFlags = TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP |
                                  TRACE_MESSAGE_PERFORMANCE_TIMESTAMP | TRACE_MESSAGE_SYSTEMINFO |
                                  TRACE_MESSAGE_POINTER32 | TRACE_MESSAGE_POINTER64;

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG kUnixEpochAsFileTime = 116444736000000000ULL;

ULONGLONG SystemTimeAsFileTime() {
  const auto since1970 = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime +
         static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::nanoseconds>(since1970).count() / 100);
}

ULONGLONG PerformanceCounter() {
  const auto ticks = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<ULONGLONG>(std::chrono::duration_cast<std::chrono::nanoseconds>(ticks).count() / 100);
}

}  // namespace

extern "C" {

ULONG WMIAPI RegisterTraceGuidsA(WMIDPREQUEST RequestAddress, PVOID RequestContext, LPCGUID ControlGuid,
                                 ULONG GuidCount, PTRACE_GUID_REGISTRATION TraceGuidReg, LPCSTR /*MofImagePath*/,
                                 LPCSTR /*MofResourceName*/, PTRACEHANDLE RegistrationHandle) {
  if (!RequestAddress || !ControlGuid || !RegistrationHandle) return ERROR_INVALID_PARAMETER;
  if (GuidCount > 0 && !TraceGuidReg) return ERROR_INVALID_PARAMETER;
  *RegistrationHandle = 0;
  return Service::Instance().Register(RequestAddress, RequestContext, *ControlGuid, RegistrationHandle, TraceGuidReg,
                                      GuidCount);
}

ULONG WMIAPI UnregisterTraceGuids(TRACEHANDLE RegistrationHandle) {
  return Service::Instance().Unregister(RegistrationHandle);
}

TRACEHANDLE WMIAPI GetTraceLoggerHandle(PVOID Buffer) {
  if (!Buffer) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return static_cast<TRACEHANDLE>(-1);
  }
  return static_cast<const WNODE_HEADER*>(Buffer)->HistoricalContext;
}

UCHAR WMIAPI GetTraceEnableLevel(TRACEHANDLE TraceHandle) {
  if (!Service::Instance().Find(TraceHandle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::trace::LevelOf(TraceHandle);
}

ULONG WMIAPI GetTraceEnableFlags(TRACEHANDLE TraceHandle) {
  if (!Service::Instance().Find(TraceHandle)) {
    SetLastError(ERROR_INVALID_HANDLE);
    return 0;
  }
  SetLastError(ERROR_SUCCESS);
  return platform::trace::FlagsOf(TraceHandle);
}

ULONG TraceMessageVa(TRACEHANDLE LoggerHandle, ULONG MessageFlags, LPCGUID MessageGuid, USHORT MessageNumber,
                     va_list MessageArgList) {
  auto session = Service::Instance().Find(LoggerHandle);
  if (!session) return ERROR_INVALID_HANDLE;
  if (MessageFlags & ~kSupportedFlags) return ERROR_INVALID_PARAMETER;
  if ((MessageFlags & TRACE_MESSAGE_GUID) && !MessageGuid) return ERROR_INVALID_PARAMETER;

  Record record;
  record.flags = static_cast<USHORT>(MessageFlags);
  record.number = MessageNumber;
  if (MessageFlags & TRACE_MESSAGE_GUID) record.messageGuid = *MessageGuid;
  if (MessageFlags & TRACE_MESSAGE_SYSTEMINFO) {
    record.processId = static_cast<DWORD>(::getpid());
    record.threadId = static_cast<DWORD>(::syscall(SYS_gettid));
  }
  SIZE_T total = 0;
  try {
    while (const void* data = va_arg(MessageArgList, const void*)) {
      const SIZE_T size = va_arg(MessageArgList, SIZE_T);
      if (size > TRACE_MESSAGE_MAXIMUM_SIZE - total) return ERROR_MORE_DATA;
      total += size;
      record.arguments.emplace_back(static_cast<const char*>(data), size);
    }
  } catch (const std::bad_alloc&) {
    return ERROR_NOT_ENOUGH_MEMORY;
  }

  std::string encoded;
  std::lock_guard<std::mutex> lock(session->mutex);
  if (!session->running) return ERROR_INVALID_HANDLE;
  // Stamped under the lock so that sequence and time order agree.
  if (MessageFlags & TRACE_MESSAGE_SEQUENCE) record.sequence = session->nextSequence++;
  if (MessageFlags & TRACE_MESSAGE_TIMESTAMP) record.timestamp = SystemTimeAsFileTime();
  else if (MessageFlags & TRACE_MESSAGE_PERFORMANCE_TIMESTAMP) record.timestamp = PerformanceCounter();
  try {
    if (!session->file) {
      session->records.push_back(std::move(record));
      return ERROR_SUCCESS;
    }
    platform::trace::EncodeRecord(record, encoded);
  } catch (const std::bad_alloc&) {
    ++session->lost;
    return ERROR_NOT_ENOUGH_MEMORY;
  }
  if (std::fwrite(encoded.data(), 1, encoded.size(), session->file) != encoded.size()) {
    ++session->lost;
    session->writeFailed = true;
    return ERROR_WRITE_FAULT;
  }
  return ERROR_SUCCESS;
}

// The documented signature ends its fixed parameters with a USHORT, which clang flags for va_start;
// the System V x86-64 va_start finds the variable arguments by register count, not by that type.
#if defined(__clang__)
#pragma clang diagnostic ignored "-Wvarargs"
#endif
ULONG __cdecl TraceMessage(TRACEHANDLE LoggerHandle, ULONG MessageFlags, LPCGUID MessageGuid,
                           USHORT MessageNumber, ...) {
  va_list args;
  va_start(args, MessageNumber);
  const ULONG result = TraceMessageVa(LoggerHandle, MessageFlags, MessageGuid, MessageNumber, args);
  va_end(args);
  return result;
}

}  // extern "C"
