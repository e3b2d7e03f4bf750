// The text rendering of trace records, with the texts of the module's trace point table.
#include "host/trace/trace_messages.h"

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <vector>

#include "host/failures/renderer_report.h"
#include "module/trace.h"
#include "module/trace_ids.h"

namespace brimloft::host {
namespace {

using A = TraceArg;

struct Unit {
  const GUID* guid;
  const char* name;
};

// The module's units, and the host's records of what the renderer said.
const std::vector<Unit> kUnits = [] {
  std::vector<Unit> units;
  for (TraceUnit unit : kTraceUnits) units.push_back({&trace_ids::MessageGuidOf(unit), UnitName(unit)});
  units.push_back({&kRendererTraceGuid, "renderer"});
  return units;
}();

template <brimloft::trace::ArgType... Types>
TracePoint Row(const brimloft::trace::Point<Types...>& point) {
  return {UnitName(point.unit), point.number, point.text, {Types...}};
}

// The module's table, and the host's own records of what the renderer said.
const std::vector<TracePoint> kMessages = {
#define BRIMLOFT_TRACE_POINT(name, unit, number, category, types, text) Row(brimloft::trace::name),
#include "module/trace_points.def"
#undef BRIMLOFT_TRACE_POINT
    {"renderer", 10, "Page %1 (%2): the renderer's %3: %4 (%5 times)",
     {A::Int32, A::Narrow, A::Narrow, A::Narrow, A::Int32}},
};

std::uint32_t U32(const std::string& b) {
  std::uint32_t v = 0;
  for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(b[i])) << (8 * i);
  return v;
}

// Keeps a line a line: control characters and backslashes are escaped.
void AppendEscaped(std::string& out, const std::string& text) {
  for (unsigned char c : text) {
    if (c < 0x20 || c == 0x7F || c == '\\') {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out.push_back(static_cast<char>(c));
    }
  }
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
}

// UTF-16LE with its terminating NUL to UTF-8; unpaired surrogates become U+FFFD.
bool DecodeWide(const std::string& b, std::string& text) {
  if (b.size() < 2 || b.size() % 2 != 0) return false;
  const size_t units = b.size() / 2;
  auto unit = [&](size_t i) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(b[2 * i]) |
                                      (static_cast<unsigned char>(b[2 * i + 1]) << 8));
  };
  if (unit(units - 1) != 0) return false;
  std::string utf8;
  for (size_t i = 0; i + 1 < units; ++i) {
    const std::uint16_t u = unit(i);
    if (u == 0) return false;
    if (u >= 0xD800 && u <= 0xDBFF && i + 2 < units && unit(i + 1) >= 0xDC00 && unit(i + 1) <= 0xDFFF) {
      AppendUtf8(utf8, 0x10000 + ((static_cast<std::uint32_t>(u) - 0xD800) << 10) + (unit(i + 1) - 0xDC00));
      ++i;
    } else if (u >= 0xD800 && u <= 0xDFFF) {
      AppendUtf8(utf8, 0xFFFD);
    } else {
      AppendUtf8(utf8, u);
    }
  }
  AppendEscaped(text, utf8);
  return true;
}

std::string Hex(const std::string& bytes) {
  std::string out;
  char buf[4];
  for (unsigned char c : bytes) {
    std::snprintf(buf, sizeof buf, "%02x", c);
    out += buf;
  }
  return out;
}

std::string GuidText(const GUID& g) {
  char buf[40];
  std::snprintf(buf, sizeof buf, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(g.Data1), g.Data2, g.Data3, g.Data4[0], g.Data4[1], g.Data4[2],
                g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return buf;
}

// 100-ns intervals since 1601 as UTC "YYYY-MM-DD HH:MM:SS.fffffff".
std::string TimeText(ULONGLONG fileTime) {
  constexpr ULONGLONG kUnixEpoch = 116444736000000000ULL;
  if (fileTime < kUnixEpoch) return "-";
  const ULONGLONG since1970 = fileTime - kUnixEpoch;
  const std::time_t seconds = static_cast<std::time_t>(since1970 / 10000000ULL);
  std::tm tm{};
  if (!gmtime_r(&seconds, &tm)) return "-";
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%07u", tm.tm_year + 1900, tm.tm_mon + 1,
                tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<unsigned>(since1970 % 10000000ULL));
  return buf;
}

bool Substitute(const TracePoint& message, const std::vector<std::string>& args, std::string& out) {
  for (const char* p = message.text; *p; ++p) {
    if (*p == '%' && p[1] >= '1' && p[1] <= '9') {
      const size_t index = static_cast<size_t>(p[1] - '1');
      if (index >= args.size()) return false;
      out += args[index];
      ++p;
    } else {
      out.push_back(*p);
    }
  }
  return true;
}

}  // namespace

bool DecodeTraceArg(TraceArg type, const std::string& bytes, std::string& text) {
  char buf[64];
  switch (type) {
    case TraceArg::Int32:
      if (bytes.size() != 4) return false;
      std::snprintf(buf, sizeof buf, "%" PRId32, static_cast<std::int32_t>(U32(bytes)));
      text += buf;
      return true;
    case TraceArg::HResult:
      if (bytes.size() != 4) return false;
      std::snprintf(buf, sizeof buf, "0x%08" PRIX32, U32(bytes));
      text += buf;
      return true;
    case TraceArg::Double: {
      if (bytes.size() != 8) return false;
      double v;
      std::memcpy(&v, bytes.data(), 8);
      std::snprintf(buf, sizeof buf, "%.17g", v);
      // The shortest form that reads back the same value.
      for (int precision = 1; precision <= 17; ++precision) {
        char shorter[64];
        std::snprintf(shorter, sizeof shorter, "%.*g", precision, v);
        if (std::strtod(shorter, nullptr) == v || std::isnan(v)) {
          std::memcpy(buf, shorter, sizeof shorter);
          break;
        }
      }
      text += buf;
      return true;
    }
    case TraceArg::Narrow: {
      if (bytes.empty() || bytes.back() != '\0') return false;
      const std::string value = bytes.substr(0, bytes.size() - 1);
      if (value.find('\0') != std::string::npos) return false;
      AppendEscaped(text, value);
      return true;
    }
    case TraceArg::Wide:
      return DecodeWide(bytes, text);
  }
  return false;
}

const char* TraceUnitName(const GUID& messageGuid) {
  for (const Unit& unit : kUnits)
    if (IsEqualGUID(*unit.guid, messageGuid)) return unit.name;
  return nullptr;
}

const TracePoint* FindTracePoint(const GUID& messageGuid, USHORT number) {
  const char* unit = TraceUnitName(messageGuid);
  if (!unit) return nullptr;
  for (const TracePoint& message : kMessages)
    if (message.number == number && std::strcmp(message.unit, unit) == 0) return &message;
  return nullptr;
}

const std::vector<TracePoint>& AllTracePoints() { return kMessages; }

std::string FormatTraceRecord(const platform::trace::Record& record) {
  char head[96];
  std::snprintf(head, sizeof head, "%" PRIu32 " %s %" PRIu32 "/%" PRIu32 " ", static_cast<std::uint32_t>(record.sequence),
                (record.flags & TRACE_MESSAGE_TIMESTAMP) ? TimeText(record.timestamp).c_str() : "-",
                static_cast<std::uint32_t>(record.processId), static_cast<std::uint32_t>(record.threadId));
  std::string line = head;
  const char* unit = TraceUnitName(record.messageGuid);
  line += unit ? unit : GuidText(record.messageGuid);
  line += ' ';
  line += std::to_string(record.number);
  line += ' ';

  if (const TracePoint* message = FindTracePoint(record.messageGuid, record.number)) {
    std::vector<std::string> args;
    bool fits = record.arguments.size() == message->args.size();
    for (size_t i = 0; fits && i < record.arguments.size(); ++i) {
      std::string text;
      fits = DecodeTraceArg(message->args[i], record.arguments[i], text);
      args.push_back(std::move(text));
    }
    std::string text;
    if (fits && Substitute(*message, args, text)) return line + text;
    line += "[arguments do not match the trace point]";
  } else {
    line += "[unknown trace point]";
  }
  for (const std::string& argument : record.arguments) {
    line += ' ';
    line += argument.empty() ? "-" : Hex(argument);
  }
  return line;
}

}  // namespace brimloft::host
