#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

#include "host/printerapp/document_jobs.h"
#include "host/printerapp/job_context.h"
#include "host/printerapp/job_turn.h"

namespace brimloft::printerapp {

bool PrintRawJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t* device) {
  return PrintInTurn(job, device, [job](pappl_device_t* output) {
    CheckNotCancelledBeforeStart(job);
    const int fd = open(papplJobGetFilename(job), O_RDONLY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error(std::string("the job's file cannot be read: ") + std::strerror(errno));
    char buffer[65536];
    std::string failure;
    for (ssize_t n; failure.empty() && !papplJobIsCanceled(job) && (n = read(fd, buffer, sizeof buffer)) != 0;) {
      if (n < 0 && errno == EINTR) continue;
      if (n < 0)
        failure = std::string("the job's file cannot be read: ") + std::strerror(errno);
      else if (papplDeviceWrite(output, buffer, static_cast<size_t>(n)) != n)
        failure = "the printer's connection refused the data";
    }
    close(fd);
    if (!failure.empty()) throw std::runtime_error(failure);
    papplDeviceFlush(output);
    return true;
  });
}

}  // namespace brimloft::printerapp
