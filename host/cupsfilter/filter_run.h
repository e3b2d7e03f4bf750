// The CUPS filter rastertobrimloft as a function: CUPS raster in, printer command stream out,
// messages for the scheduler on a log stream.
#ifndef BRIMLOFT_HOST_CUPSFILTER_FILTER_RUN_H
#define BRIMLOFT_HOST_CUPSFILTER_FILTER_RUN_H

#include <filterpipeline.h>

#include <atomic>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace brimloft::rasterfilter {

constexpr const char* kUsage = "Usage: rastertobrimloft job-id user title copies options [file]";

// All three pointers must be set.
struct FilterContext {
  int inputFd = 0;                      // the raster when no file argument is given
  std::string ppdPath;                  // the queue's PPD file (the PPD environment variable)
  IPrintWriteStream* output = nullptr;  // where the printer stream goes, one write per segment
  std::ostream* log = nullptr;          // the scheduler's channel: ERROR:, WARNING:, INFO:, PAGE: lines
  const std::atomic<bool>* cancelled = nullptr;  // set when the job is cancelled (SIGTERM)
  // The output's own words for its last failure ("No space left on device"), when it keeps them.
  std::function<std::string()> outputWords;
};

// args as main receives them: program, job-id, user, title, copies, options and an optional file.
// Returns 0 when the job was printed or cancelled (the end-of-job segment is written in both
// cases) and 1 on failure, after an "ERROR:" line: wrong arguments, no or a foreign PPD file, an
// unreadable file, input that is no CUPS raster or has no pages, an unprintable or truncated page,
// a failure of the printer output. A failing step is named with its result code's name and
// number, as brimloft-print names it, and the output's words. Never throws.
int RunRasterToBrimloft(const std::vector<std::string>& args, const FilterContext& context) noexcept;

}  // namespace brimloft::rasterfilter

#endif
