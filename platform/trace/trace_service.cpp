// The tracing service's tables and the control requests that drive provider callbacks.
#include "trace/trace_service.h"

#include <algorithm>

namespace platform {
namespace trace {
namespace {

constexpr ULONG kSessionIdBits = 24;
constexpr ULONG kSessionIdMask = (1u << kSessionIdBits) - 1;

bool SameGuid(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }

}  // namespace

// Layout: bits 0-15 session id low part, 16-23 level, 24-31 session id high part, 32-63 flags.
TRACEHANDLE MakeLoggerHandle(ULONG sessionId, UCHAR level, ULONG flags) {
  return static_cast<TRACEHANDLE>(sessionId & 0xFFFF) | (static_cast<TRACEHANDLE>(level) << 16) |
         (static_cast<TRACEHANDLE>((sessionId >> 16) & 0xFF) << 24) | (static_cast<TRACEHANDLE>(flags) << 32);
}

ULONG SessionIdOf(TRACEHANDLE handle) {
  return static_cast<ULONG>(handle & 0xFFFF) | (static_cast<ULONG>((handle >> 24) & 0xFF) << 16);
}

UCHAR LevelOf(TRACEHANDLE handle) { return static_cast<UCHAR>((handle >> 16) & 0xFF); }

ULONG FlagsOf(TRACEHANDLE handle) { return static_cast<ULONG>(handle >> 32); }

Service& Service::Instance() {
  // Leaked on purpose: modules unload after static destruction and still unregister.
  static Service* service = new Service;
  return *service;
}

ULONG Service::Register(WMIDPREQUEST callback, PVOID context, const GUID& controlGuid, TRACEHANDLE* handle,
                        PTRACE_GUID_REGISTRATION classes, ULONG classCount) {
  std::lock_guard<std::recursive_mutex> control(control_);
  TRACEHANDLE registration;
  {
    std::lock_guard<std::mutex> tables(tables_);
    registration = nextRegistration_++;
    providers_[registration] = Provider{callback, context, controlGuid};
  }
  *handle = registration;
  for (ULONG i = 0; i < classCount; ++i) classes[i].RegHandle = reinterpret_cast<HANDLE>(registration);
  // A session that asked for this provider before it existed enables it now.
  TRACEHANDLE logger = 0;
  for (const auto& [id, session] : sessions_)
    for (const auto& [guid, enablement] : session->enabled)
      if (SameGuid(guid, controlGuid)) logger = MakeLoggerHandle(id, enablement.level, enablement.flags);
  if (logger == 0) return ERROR_SUCCESS;
  WNODE_HEADER header{};
  header.BufferSize = sizeof header;
  header.HistoricalContext = logger;
  header.Guid = controlGuid;
  header.Flags = WNODE_FLAG_TRACED_GUID;
  ULONG size = sizeof header;
  callback(WMI_ENABLE_EVENTS, context, &size, &header);
  return ERROR_SUCCESS;
}

ULONG Service::Unregister(TRACEHANDLE handle) {
  std::lock_guard<std::recursive_mutex> control(control_);
  std::lock_guard<std::mutex> tables(tables_);
  return providers_.erase(handle) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

std::shared_ptr<SessionState> Service::StartSession(std::FILE* file) {
  auto session = std::make_shared<SessionState>();
  session->file = file;
  std::lock_guard<std::recursive_mutex> control(control_);
  std::lock_guard<std::mutex> tables(tables_);
  // Ids are 24 bits wide; skip 0 (never a valid handle) and ids still in use after a wrap.
  while (nextSessionId_ == 0 || sessions_.count(nextSessionId_)) nextSessionId_ = (nextSessionId_ + 1) & kSessionIdMask;
  session->id = nextSessionId_;
  nextSessionId_ = (nextSessionId_ + 1) & kSessionIdMask;
  sessions_[session->id] = session;
  return session;
}

void Service::Notify(const GUID& controlGuid, WMIDPREQUESTCODE code, TRACEHANDLE loggerHandle) {
  std::vector<TRACEHANDLE> targets;
  for (const auto& [registration, provider] : providers_)
    if (SameGuid(provider.controlGuid, controlGuid)) targets.push_back(registration);
  for (TRACEHANDLE registration : targets) {
    // A callback may have unregistered another provider meanwhile.
    auto it = providers_.find(registration);
    if (it == providers_.end()) continue;
    const Provider provider = it->second;
    WNODE_HEADER header{};
    header.BufferSize = sizeof header;
    header.HistoricalContext = loggerHandle;
    header.Guid = controlGuid;
    header.Flags = WNODE_FLAG_TRACED_GUID;
    ULONG size = sizeof header;
    provider.callback(code, provider.context, &size, &header);
  }
}

ULONG Service::Enable(const std::shared_ptr<SessionState>& session, const GUID& controlGuid, UCHAR level,
                      ULONG flags) {
  std::lock_guard<std::recursive_mutex> control(control_);
  if (!sessions_.count(session->id)) return ERROR_INVALID_HANDLE;
  for (const auto& [id, other] : sessions_) {
    if (id == session->id) continue;
    for (const auto& entry : other->enabled)
      if (SameGuid(entry.first, controlGuid)) return ERROR_ACCESS_DENIED;
  }
  auto it = std::find_if(session->enabled.begin(), session->enabled.end(),
                         [&](const auto& entry) { return SameGuid(entry.first, controlGuid); });
  if (it == session->enabled.end())
    session->enabled.emplace_back(controlGuid, SessionState::Enablement{level, flags});
  else
    it->second = SessionState::Enablement{level, flags};
  Notify(controlGuid, WMI_ENABLE_EVENTS, MakeLoggerHandle(session->id, level, flags));
  return ERROR_SUCCESS;
}

ULONG Service::Disable(const std::shared_ptr<SessionState>& session, const GUID& controlGuid) {
  std::lock_guard<std::recursive_mutex> control(control_);
  if (!sessions_.count(session->id)) return ERROR_INVALID_HANDLE;
  auto it = std::find_if(session->enabled.begin(), session->enabled.end(),
                         [&](const auto& entry) { return SameGuid(entry.first, controlGuid); });
  if (it == session->enabled.end()) return ERROR_NOT_FOUND;
  const TRACEHANDLE handle = MakeLoggerHandle(session->id, it->second.level, it->second.flags);
  session->enabled.erase(it);
  Notify(controlGuid, WMI_DISABLE_EVENTS, handle);
  return ERROR_SUCCESS;
}

ULONG Service::StopSession(const std::shared_ptr<SessionState>& session) {
  std::lock_guard<std::recursive_mutex> control(control_);
  if (sessions_.count(session->id)) {
    // Providers hear of the end while the logger handle is still valid.
    while (!session->enabled.empty()) {
      const auto [guid, enablement] = session->enabled.back();
      session->enabled.pop_back();
      Notify(guid, WMI_DISABLE_EVENTS, MakeLoggerHandle(session->id, enablement.level, enablement.flags));
    }
    std::lock_guard<std::mutex> tables(tables_);
    sessions_.erase(session->id);
  }
  std::lock_guard<std::mutex> lock(session->mutex);
  if (session->running) {
    session->running = false;
    if (session->file) {
      if (std::fclose(session->file) != 0) session->writeFailed = true;
      session->file = nullptr;
    }
  }
  return session->writeFailed ? ERROR_WRITE_FAULT : ERROR_SUCCESS;
}

std::shared_ptr<SessionState> Service::Find(TRACEHANDLE loggerHandle) {
  const ULONG id = SessionIdOf(loggerHandle);
  if (id == 0) return nullptr;
  std::lock_guard<std::mutex> tables(tables_);
  auto it = sessions_.find(id);
  return it == sessions_.end() ? nullptr : it->second;
}

}  // namespace trace
}  // namespace platform
