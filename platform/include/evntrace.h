// Event tracing, provider side: registration with a control callback, and message records.
// Names, values and signatures are those of the Windows SDK; the service behind them lives in
// platform/trace and its controller in <platform/trace_controller.h>.
#ifndef BRIMLOFT_PLATFORM_EVNTRACE_H
#define BRIMLOFT_PLATFORM_EVNTRACE_H

#include <cstdarg>

#include <windows.h>
#include <wmistr.h>

#define WMIAPI
#ifndef __cdecl
#define __cdecl
#endif

#ifndef ERROR_MORE_DATA
#define ERROR_MORE_DATA 234L
#endif

typedef ULONG64 TRACEHANDLE, *PTRACEHANDLE;

#define TRACE_LEVEL_NONE 0
#define TRACE_LEVEL_CRITICAL 1
#define TRACE_LEVEL_FATAL 1
#define TRACE_LEVEL_ERROR 2
#define TRACE_LEVEL_WARNING 3
#define TRACE_LEVEL_INFORMATION 4
#define TRACE_LEVEL_VERBOSE 5

#define TRACE_MESSAGE_SEQUENCE 1
#define TRACE_MESSAGE_GUID 2
#define TRACE_MESSAGE_COMPONENTID 4
#define TRACE_MESSAGE_TIMESTAMP 8
#define TRACE_MESSAGE_PERFORMANCE_TIMESTAMP 16
#define TRACE_MESSAGE_SYSTEMINFO 32
#define TRACE_MESSAGE_POINTER32 0x0040
#define TRACE_MESSAGE_POINTER64 0x0080
#define TRACE_MESSAGE_FLAG_MASK 0xffff
// The largest argument payload of one message.
#define TRACE_MESSAGE_MAXIMUM_SIZE (64 * 1024)

typedef struct _TRACE_GUID_REGISTRATION {
  LPCGUID Guid;
  HANDLE RegHandle;
} TRACE_GUID_REGISTRATION, *PTRACE_GUID_REGISTRATION;

// The control callback. Buffer is a WNODE_HEADER for WMI_ENABLE_EVENTS and WMI_DISABLE_EVENTS.
typedef ULONG(WINAPI* WMIDPREQUEST)(WMIDPREQUESTCODE RequestCode, PVOID RequestContext, ULONG* BufferSize,
                                    PVOID Buffer);

extern "C" {

// Registers a provider. If a running session has already enabled ControlGuid, RequestAddress is
// called with WMI_ENABLE_EVENTS before this returns. Fails with ERROR_INVALID_PARAMETER for a null
// callback, control GUID or handle pointer.
ULONG WMIAPI RegisterTraceGuidsA(WMIDPREQUEST RequestAddress, PVOID RequestContext, LPCGUID ControlGuid,
                                 ULONG GuidCount, PTRACE_GUID_REGISTRATION TraceGuidReg, LPCSTR MofImagePath,
                                 LPCSTR MofResourceName, PTRACEHANDLE RegistrationHandle);
#define RegisterTraceGuids RegisterTraceGuidsA

// Unregisters; after it returns the callback is never called again. ERROR_INVALID_HANDLE for an
// unknown or already unregistered handle.
ULONG WMIAPI UnregisterTraceGuids(TRACEHANDLE RegistrationHandle);

// Reads the session's logger handle from a control callback's buffer; (TRACEHANDLE)-1
// (INVALID_HANDLE_VALUE) with ERROR_INVALID_PARAMETER for a null buffer.
TRACEHANDLE WMIAPI GetTraceLoggerHandle(PVOID Buffer);
// The level and flags the session enabled the provider with; 0 with ERROR_INVALID_HANDLE for a
// handle that names no running session.
UCHAR WMIAPI GetTraceEnableLevel(TRACEHANDLE TraceHandle);
ULONG WMIAPI GetTraceEnableFlags(TRACEHANDLE TraceHandle);

// Appends a message to the session of LoggerHandle. The variable arguments are (const void*, SIZE_T)
// pairs closed by a null pointer. ERROR_INVALID_HANDLE for a handle of no running session,
// ERROR_INVALID_PARAMETER for unsupported flags or a missing message GUID, ERROR_MORE_DATA when the
// arguments exceed TRACE_MESSAGE_MAXIMUM_SIZE.
ULONG __cdecl TraceMessage(TRACEHANDLE LoggerHandle, ULONG MessageFlags, LPCGUID MessageGuid,
                           USHORT MessageNumber, ...);
ULONG TraceMessageVa(TRACEHANDLE LoggerHandle, ULONG MessageFlags, LPCGUID MessageGuid, USHORT MessageNumber,
                     va_list MessageArgList);

}  // extern "C"

#endif
