// The renderer's messages about a job's pages as the host shows them and records them in the trace.
#ifndef BRIMLOFT_HOST_FAILURES_RENDERER_REPORT_H
#define BRIMLOFT_HOST_FAILURES_RENDERER_REPORT_H

#include "host/host_namespace.h"

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "host/pipeline/document_provider.h"
#include "platform/renderer_messages.h"
#include "platform/trace_controller.h"

namespace brimloft::host {

// The message identifier of the host's "renderer" trace records (record 10: one message of a page).
// {391C8106-24E0-498F-BBF2-132223FDAB5E}
constexpr GUID kRendererTraceGuid = {0x391c8106, 0x24e0, 0x498f, {0xbb, 0xf2, 0x13, 0x22, 0x23, 0xfd, 0xab, 0x5e}};

// The page number of each fixed page part as the job handed the pages out (the first, when a part
// is printed more than once).
class PageNumbers {
 public:
  void Note(const PartEvent& event);
  // 0 for a part the job did not hand out as a page.
  int Of(const std::string& part) const;

 private:
  std::map<std::string, int> numbers_;
};

// "page 3: warning: cannot decode image resource (12 times)"; a part that is no page of the job
// is named as such.
std::string DescribeRendererMessage(const platform::RendererMessage& message, const PageNumbers& pages);

// Drops from messages the renderer's errors about part that words (a failure's) already hold.
void DropErrorsSaidIn(std::vector<platform::RendererMessage>& messages, const std::string& part,
                      const std::string& words);

// One "renderer" record per message in the session's trace.
void TraceRendererMessages(platform::trace::Session& session, const std::vector<platform::RendererMessage>& messages,
                           const PageNumbers& pages);

}  // namespace brimloft::host

#endif
