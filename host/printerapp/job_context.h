// Between a PAPPL job and the engine: the job's request in IPP terms, and its failures in words.
#ifndef BRIMLOFT_HOST_PRINTERAPP_JOB_CONTEXT_H
#define BRIMLOFT_HOST_PRINTERAPP_JOB_CONTEXT_H

#include <pappl/pappl.h>

#include <exception>
#include <memory>
#include <string>

#include "host/failures/host_error.h"
#include "host/printerapp/job_features.h"

namespace brimloft::printerapp {

struct PrintOptionsDeleter {
  void operator()(pappl_pr_options_t* options) const noexcept { papplJobDeletePrintOptions(options); }
};
using PrintOptions = std::unique_ptr<pappl_pr_options_t, PrintOptionsDeleter>;

// PAPPL's options for a job of pages pages (0: not known). Throws std::bad_alloc when PAPPL has none.
PrintOptions OptionsOf(pappl_job_t* job, unsigned pages);

// The media size, orientation, darkness and vendor attributes of PAPPL's job options.
JobRequest RequestOf(const pappl_pr_options_t& options);

// The features of a job on its printer (see JobFeatures). Throws HostError, or
// std::invalid_argument when the printer is none of ours.
FeatureTable FeaturesOf(pappl_job_t* job, const pappl_pr_options_t& options, bool turnLandscape);

// A job PAPPL 1.3 runs although it was cancelled before it started (a Cancel-Job that arrives
// between the start of its thread and its processing state). PAPPL may close the printer's
// connection under such a job, so it must not touch the device. Its own type because such a job
// ends cancelled, not failed.
class JobCancelledBeforeStart : public host::HostError {
 public:
  JobCancelledBeforeStart()
      : host::HostError(HRESULT_FROM_WIN32(ERROR_PRINT_CANCELLED), "the job was cancelled before it started") {}
};

// Throws JobCancelledBeforeStart for such a job. Called once the job holds the engine.
void CheckNotCancelledBeforeStart(pappl_job_t* job);

// Ends a job that threw: a job cancelled before it started is marked cancelled again (PAPPL made
// it processing) and returns true; any other failure goes into the state message and returns
// false.
bool EndFailedJob(pappl_job_t* job, std::exception_ptr failure);

// The words for a failure caught while printing: the exception's text, "out of memory", or the
// printer output's HRESULT.
std::string DescribeFailure(std::exception_ptr failure);

// Puts why into the job's state message and the log; the caller then ends the job as aborted.
void FailJob(pappl_job_t* job, const std::string& why);

}  // namespace brimloft::printerapp

#endif
