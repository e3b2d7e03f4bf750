// The controller side of event tracing: sessions that enable registered providers and collect their
// messages into a trace file or into memory.
//
// Trace file format (all integers little-endian):
//   file header, 16 bytes:  magic "BLMTRACE" (8 bytes), u32 version (1), u32 header size (16)
//   then records, each:     u32 body length, then the body:
//     u16 message flags     the TraceMessage flags of the record
//     u16 message number
//     GUID message id       u32 Data1, u16 Data2, u16 Data3, 8 bytes Data4 (zero without the GUID flag)
//     u32 sequence          per session, from 1, increasing (0 without the sequence flag)
//     u64 time stamp        100-ns intervals since 1601-01-01 UTC (0 without a time-stamp flag)
//     u32 process id, u32 thread id (0 without the system-information flag)
//     u32 argument count, then per argument: u32 size, that many raw bytes
//   The body length covers exactly the body; a file ends after the last complete record.
#ifndef BRIMLOFT_PLATFORM_TRACE_CONTROLLER_H
#define BRIMLOFT_PLATFORM_TRACE_CONTROLLER_H

#include <evntrace.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {
namespace trace {

constexpr char kFileMagic[8] = {'B', 'L', 'M', 'T', 'R', 'A', 'C', 'E'};
constexpr std::uint32_t kFileVersion = 1;
constexpr std::uint32_t kFileHeaderSize = 16;
// Size of a record body without its arguments.
constexpr std::uint32_t kRecordFixedSize = 44;

// One message as a session received it.
struct Record {
  USHORT flags = 0;
  USHORT number = 0;
  GUID messageGuid{};
  ULONG sequence = 0;
  ULONGLONG timestamp = 0;
  DWORD processId = 0;
  DWORD threadId = 0;
  std::vector<std::string> arguments;  // raw bytes of each argument
};

// Appends the file encoding of a record (length prefix and body) to out.
void EncodeRecord(const Record& record, std::string& out);

struct SessionState;

// A running trace session. Providers it enables get WMI_ENABLE_EVENTS on the calling thread, at
// once if registered, otherwise when they register. Stopping (or destruction) disables them.
class Session {
 public:
  // Starts a session writing to a new trace file at path; throws std::system_error when the file
  // cannot be created.
  static std::unique_ptr<Session> StartToFile(const std::string& path);
  // Starts a session that keeps its records in memory (Records()).
  static std::unique_ptr<Session> StartInMemory();

  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Enables (or re-enables with new values) the providers registered under controlGuid, and those
  // that register later. ERROR_INVALID_HANDLE once stopped; ERROR_ACCESS_DENIED when another session
  // has the provider enabled.
  ULONG Enable(const GUID& controlGuid, UCHAR level, ULONG flags);
  // Disables the provider: its callbacks get WMI_DISABLE_EVENTS. ERROR_NOT_FOUND when this session
  // has not enabled it; ERROR_INVALID_HANDLE once stopped.
  ULONG Disable(const GUID& controlGuid);
  // Disables every provider, then ends the session and closes its file. Returns ERROR_SUCCESS, or
  // ERROR_WRITE_FAULT when a record or the file could not be written completely. Repeatable.
  ULONG Stop();

  // The logger handle of this session for the given level and flags, as providers receive it.
  TRACEHANDLE LoggerHandle(UCHAR level, ULONG flags) const;
  // The records of an in-memory session, in sequence order.
  std::vector<Record> Records() const;
  // Messages that could not be stored (write failures).
  ULONG LostRecords() const;

 private:
  explicit Session(std::shared_ptr<SessionState> state);
  std::shared_ptr<SessionState> state_;
};

}  // namespace trace
}  // namespace platform

#endif
