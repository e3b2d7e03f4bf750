#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>

#include "printerapp/document_jobs.h"
#include "printerapp/engine_session.h"
#include "printerapp/job_context.h"

namespace brimloft::printerapp {

bool PrintRawJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
  // The engine's turn also keeps two jobs of one printer off its connection at once.
  std::optional<EngineSession> session;
  try {
    CheckNotCancelledBeforeStart(job);
    session.emplace();
    CheckNotCancelledBeforeStart(job);
  } catch (...) {
    return EndFailedJob(job, std::current_exception());
  }
  const int fd = open(papplJobGetFilename(job), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    FailJob(job, std::string("the job's file cannot be read: ") + std::strerror(errno));
    return false;
  }
  char buffer[65536];
  bool ok = true;
  for (ssize_t n; ok && !papplJobIsCanceled(job) && (n = read(fd, buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      FailJob(job, std::string("the job's file cannot be read: ") + std::strerror(errno));
      ok = false;
    } else if (papplDeviceWrite(device, buffer, static_cast<size_t>(n)) != n) {
      FailJob(job, "the printer's connection refused the data");
      ok = false;
    }
  }
  close(fd);
  return ok;
}

}  // namespace brimloft::printerapp
