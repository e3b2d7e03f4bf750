#include "host/failures/renderer_report.h"

#include <evntrace.h>

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "module/trace.h"

namespace brimloft::host {

void PageNumbers::Note(const PartEvent& event) {
  if (event.kind == PartKind::Page) numbers_.emplace(event.name, event.pageNumber);
}

int PageNumbers::Of(const std::string& part) const {
  const auto found = numbers_.find(part);
  return found == numbers_.end() ? 0 : found->second;
}

std::string DescribeRendererMessage(const platform::RendererMessage& message, const PageNumbers& pages) {
  const int number = pages.Of(message.page);
  std::string line = number > 0 ? "page " + std::to_string(number) : "part " + message.page;
  line += (message.error ? ": error: " : ": warning: ") + message.text;
  if (message.count > 1) line += " (" + std::to_string(message.count) + " times)";
  return line;
}

void DropErrorsSaidIn(std::vector<platform::RendererMessage>& messages, const std::string& part,
                      const std::string& words) {
  messages.erase(std::remove_if(messages.begin(), messages.end(),
                                [&](const platform::RendererMessage& m) {
                                  return m.error && m.page == part && words.find(m.text) != std::string::npos;
                                }),
                 messages.end());
}

void TraceRendererMessages(platform::trace::Session& session, const std::vector<platform::RendererMessage>& messages,
                           const PageNumbers& pages) {
  constexpr ULONG kFlags = TRACE_MESSAGE_SEQUENCE | TRACE_MESSAGE_GUID | TRACE_MESSAGE_TIMESTAMP |
                           TRACE_MESSAGE_SYSTEMINFO;
  const TRACEHANDLE logger = session.LoggerHandle(5, brimloft::TRACE_ERROR);
  for (const platform::RendererMessage& m : messages) {
    const std::int32_t page = pages.Of(m.page);
    const std::int32_t count = static_cast<std::int32_t>(m.count);
    const char* kind = m.error ? "error" : "warning";
    TraceMessage(logger, kFlags, &kRendererTraceGuid, 10, &page, sizeof page, m.page.c_str(), m.page.size() + 1, kind,
                 std::strlen(kind) + 1, m.text.c_str(), m.text.size() + 1, &count, sizeof count, nullptr);
  }
}

}  // namespace brimloft::host
