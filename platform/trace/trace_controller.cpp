// Trace sessions as the controller sees them.
#include <platform/trace_controller.h>

#include <cerrno>
#include <system_error>

#include "trace/trace_service.h"

namespace platform {
namespace trace {
namespace {

void PutU32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

}  // namespace

std::unique_ptr<Session> Session::StartToFile(const std::string& path) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) throw std::system_error(errno, std::generic_category(), "cannot create trace file " + path);
  std::string header(kFileMagic, sizeof kFileMagic);
  PutU32(header, kFileVersion);
  PutU32(header, kFileHeaderSize);
  if (std::fwrite(header.data(), 1, header.size(), file) != header.size()) {
    const int error = errno;
    std::fclose(file);
    throw std::system_error(error, std::generic_category(), "cannot write trace file " + path);
  }
  return std::unique_ptr<Session>(new Session(Service::Instance().StartSession(file)));
}

std::unique_ptr<Session> Session::StartInMemory() {
  return std::unique_ptr<Session>(new Session(Service::Instance().StartSession(nullptr)));
}

Session::Session(std::shared_ptr<SessionState> state) : state_(std::move(state)) {}

Session::~Session() { Stop(); }

ULONG Session::Enable(const GUID& controlGuid, UCHAR level, ULONG flags) {
  return Service::Instance().Enable(state_, controlGuid, level, flags);
}

ULONG Session::Disable(const GUID& controlGuid) { return Service::Instance().Disable(state_, controlGuid); }

ULONG Session::Stop() { return Service::Instance().StopSession(state_); }

TRACEHANDLE Session::LoggerHandle(UCHAR level, ULONG flags) const {
  return MakeLoggerHandle(state_->id, level, flags);
}

std::vector<Record> Session::Records() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->records;
}

ULONG Session::LostRecords() const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->lost;
}

}  // namespace trace
}  // namespace platform
