// The trace file encoding of one record (see <platform/trace_controller.h>).
#include <platform/trace_controller.h>

namespace platform {
namespace trace {
namespace {

void PutU16(std::string& out, std::uint16_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>(v >> 8));
}

void PutU32(std::string& out, std::uint32_t v) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void PutU64(std::string& out, std::uint64_t v) {
  for (int shift = 0; shift < 64; shift += 8) out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

}  // namespace

void EncodeRecord(const Record& record, std::string& out) {
  std::uint32_t body = kRecordFixedSize;
  for (const auto& argument : record.arguments) body += 4 + static_cast<std::uint32_t>(argument.size());
  out.reserve(out.size() + 4 + body);
  PutU32(out, body);
  PutU16(out, record.flags);
  PutU16(out, record.number);
  PutU32(out, record.messageGuid.Data1);
  PutU16(out, record.messageGuid.Data2);
  PutU16(out, record.messageGuid.Data3);
  out.append(reinterpret_cast<const char*>(record.messageGuid.Data4), 8);
  PutU32(out, record.sequence);
  PutU64(out, record.timestamp);
  PutU32(out, record.processId);
  PutU32(out, record.threadId);
  PutU32(out, static_cast<std::uint32_t>(record.arguments.size()));
  for (const auto& argument : record.arguments) {
    PutU32(out, static_cast<std::uint32_t>(argument.size()));
    out.append(argument);
  }
}

}  // namespace trace
}  // namespace platform
