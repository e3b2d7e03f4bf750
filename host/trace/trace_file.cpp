// Trace file parsing: every length is checked against what remains before it is used.
#include "host/trace/trace_file.h"

#include <cstring>
#include <fstream>
#include <sstream>

namespace brimloft::host {
namespace {

using platform::trace::Record;

class Reader {
 public:
  Reader(const std::string& bytes, size_t begin, size_t end) : bytes_(bytes), pos_(begin), end_(end) {}

  size_t position() const { return pos_; }
  size_t remaining() const { return end_ - pos_; }

  std::uint16_t U16() { return static_cast<std::uint16_t>(Little(2)); }
  std::uint32_t U32() { return static_cast<std::uint32_t>(Little(4)); }
  std::uint64_t U64() { return Little(8); }
  std::string Bytes(size_t n) {
    Need(n);
    std::string out = bytes_.substr(pos_, n);
    pos_ += n;
    return out;
  }

 private:
  void Need(size_t n) const {
    if (n > remaining()) Fail(pos_, "record truncated");
  }
  std::uint64_t Little(size_t n) {
    Need(n);
    std::uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v |= static_cast<std::uint64_t>(static_cast<unsigned char>(bytes_[pos_ + i])) << (8 * i);
    pos_ += n;
    return v;
  }

 public:
  [[noreturn]] static void Fail(size_t offset, const std::string& what) {
    std::ostringstream message;
    message << "corrupt trace file at byte " << offset << ": " << what;
    throw HostError(HrCorruptData(), message.str());
  }

 private:
  const std::string& bytes_;
  size_t pos_;
  size_t end_;
};

std::uint32_t U32At(const std::string& bytes, size_t at) {
  std::uint32_t v = 0;
  for (size_t i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
  return v;
}

Record ParseBody(const std::string& bytes, size_t begin, size_t end) {
  Reader in(bytes, begin, end);
  Record record;
  record.flags = in.U16();
  record.number = in.U16();
  record.messageGuid.Data1 = in.U32();
  record.messageGuid.Data2 = in.U16();
  record.messageGuid.Data3 = in.U16();
  const std::string data4 = in.Bytes(8);
  std::memcpy(record.messageGuid.Data4, data4.data(), 8);
  record.sequence = in.U32();
  record.timestamp = in.U64();
  record.processId = in.U32();
  record.threadId = in.U32();
  const std::uint32_t count = in.U32();
  // Each argument needs at least its 4-byte size, which bounds the count before anything is reserved.
  if (count > in.remaining() / 4) Reader::Fail(in.position() - 4, "argument count exceeds the record");
  for (std::uint32_t i = 0; i < count; ++i) {
    const size_t at = in.position();
    const std::uint32_t size = in.U32();
    if (size > in.remaining()) Reader::Fail(at, "argument size exceeds the record");
    record.arguments.push_back(in.Bytes(size));
  }
  if (in.remaining() != 0) Reader::Fail(in.position(), "record has bytes after its last argument");
  return record;
}

}  // namespace

std::vector<Record> ParseTraceFile(const std::string& bytes) {
  std::vector<Record> records;
  ParseTraceFile(bytes, records);
  return records;
}

void ParseTraceFile(const std::string& bytes, std::vector<Record>& records) {
  using namespace platform::trace;
  if (bytes.size() < kFileHeaderSize || std::memcmp(bytes.data(), kFileMagic, sizeof kFileMagic) != 0)
    throw HostError(HrCorruptData(), "not a trace file (bad magic)");
  const std::uint32_t version = U32At(bytes, 8);
  if (version != kFileVersion) throw HostError(HrCorruptData(), "unsupported trace file version " + std::to_string(version));
  const std::uint32_t headerSize = U32At(bytes, 12);
  if (headerSize < kFileHeaderSize || headerSize > bytes.size()) Reader::Fail(12, "bad header size");

  size_t pos = headerSize;
  while (pos < bytes.size()) {
    if (bytes.size() - pos < 4) Reader::Fail(pos, "record length truncated");
    const std::uint32_t length = U32At(bytes, pos);
    if (length < kRecordFixedSize) Reader::Fail(pos, "record shorter than its fixed part");
    if (length > bytes.size() - pos - 4) Reader::Fail(pos, "record truncated");
    records.push_back(ParseBody(bytes, pos + 4, pos + 4 + length));
    pos += 4 + length;
  }
}

std::string ReadTraceBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw SystemFailure("cannot open trace file " + path);
  std::ostringstream contents;
  contents << file.rdbuf();
  if (file.bad()) throw SystemFailure("cannot read trace file " + path);
  return contents.str();
}

std::vector<Record> ReadTraceFile(const std::string& path) { return ParseTraceFile(ReadTraceBytes(path)); }

}  // namespace brimloft::host
