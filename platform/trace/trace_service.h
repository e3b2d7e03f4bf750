// The in-process tracing service: registered providers, running sessions and the logger handles
// that connect them. One instance per process, never destroyed, so that modules unloading late
// can still unregister.
#ifndef BRIMLOFT_PLATFORM_TRACE_SERVICE_H
#define BRIMLOFT_PLATFORM_TRACE_SERVICE_H

#include <evntrace.h>
#include <platform/trace_controller.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {
namespace trace {

// What a session writes into: a trace file or a list in memory. Guarded by mutex; running is
// cleared when the session stops, after which nothing is written.
struct SessionState {
  ULONG id = 0;
  std::mutex mutex;
  bool running = true;
  ULONG nextSequence = 1;
  ULONG lost = 0;
  bool writeFailed = false;
  std::FILE* file = nullptr;
  std::vector<Record> records;
  // Control GUID → (level, flags) this session asked for; guarded by the service's control lock.
  struct Enablement {
    UCHAR level;
    ULONG flags;
  };
  std::vector<std::pair<GUID, Enablement>> enabled;
};

// A logger handle holds, like Windows' enable context, the session id (24 bits), the level and the
// flags, so that GetTraceEnableLevel/Flags read them from the handle alone.
TRACEHANDLE MakeLoggerHandle(ULONG sessionId, UCHAR level, ULONG flags);
ULONG SessionIdOf(TRACEHANDLE handle);
UCHAR LevelOf(TRACEHANDLE handle);
ULONG FlagsOf(TRACEHANDLE handle);

class Service {
 public:
  static Service& Instance();

  // Stores the new registration handle in *handle and in each class registration before a pending
  // enable request can reach the callback.
  ULONG Register(WMIDPREQUEST callback, PVOID context, const GUID& controlGuid, TRACEHANDLE* handle,
                 PTRACE_GUID_REGISTRATION classes, ULONG classCount);
  ULONG Unregister(TRACEHANDLE handle);

  std::shared_ptr<SessionState> StartSession(std::FILE* file);
  ULONG Enable(const std::shared_ptr<SessionState>& session, const GUID& controlGuid, UCHAR level,
               ULONG flags);
  ULONG Disable(const std::shared_ptr<SessionState>& session, const GUID& controlGuid);
  ULONG StopSession(const std::shared_ptr<SessionState>& session);

  // The running session of a logger handle, or null.
  std::shared_ptr<SessionState> Find(TRACEHANDLE loggerHandle);

 private:
  struct Provider {
    WMIDPREQUEST callback;
    PVOID context;
    GUID controlGuid;
  };

  Service() = default;
  // Calls the callbacks of every provider registered under controlGuid. Caller holds control_.
  void Notify(const GUID& controlGuid, WMIDPREQUESTCODE code, TRACEHANDLE loggerHandle);

  // Serialises registration and controller requests; callbacks run while it is held, so a
  // callback never runs after its provider's UnregisterTraceGuids has returned. Recursive so that a
  // callback may itself use the provider API.
  std::recursive_mutex control_;
  // Guards the two tables for the message path, which never takes control_.
  std::mutex tables_;
  std::map<TRACEHANDLE, Provider> providers_;
  std::map<ULONG, std::shared_ptr<SessionState>> sessions_;
  TRACEHANDLE nextRegistration_ = 1;
  ULONG nextSessionId_ = 1;
};

}  // namespace trace
}  // namespace platform

#endif
