// rastertobrimloft: the CUPS filter of the Brimloft printers. Reads CUPS raster (a file argument
// or standard input), writes the printer's command stream to standard output and talks to the
// scheduler on standard error. SIGTERM cancels the job after the current strip; the end-of-job
// segment is still written.
#include <malloc.h>
#include <signal.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "host/cupsfilter/filter_run.h"
#include "host/pipeline/write_stream.h"

namespace {

std::atomic<bool> cancelled{false};

extern "C" void OnTerminate(int) { cancelled.store(true); }

}  // namespace

int main(int argc, char** argv) {
  // Blocks of megabytes (a page's rows and strips) stay with the process for the next page instead
  // of going back to the system at each free: every page handed back costs a page fault when it
  // is used again, which on a virtual machine costs more than the work on it.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");
  struct sigaction action {};
  action.sa_handler = OnTerminate;
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGTERM, &action, nullptr);
  // A reader that goes away makes the writes fail instead of ending the process unannounced.
  signal(SIGPIPE, SIG_IGN);
  std::setvbuf(stderr, nullptr, _IONBF, 0);

  const char* ppd = std::getenv("PPD");
  auto output = host::FdWriteStream::Stdout();
  brimloft::rasterfilter::FilterContext context;
  context.inputFd = 0;
  context.ppdPath = ppd != nullptr ? ppd : "";
  context.output = output.get();
  context.log = &std::cerr;
  context.cancelled = &cancelled;
  context.outputWords = [&output] { return output->LastError(); };
  const int status =
      brimloft::rasterfilter::RunRasterToBrimloft(std::vector<std::string>(argv, argv + argc), context);
  output->Close();
  return status;
}
