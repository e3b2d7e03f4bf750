#include "host/printerapp/raster_driver.h"

#include <memory>
#include <string>
#include <vector>

#include "host/cupsfilter/raster_rows.h"
#include "host/cupsfilter/strip_plan.h"
#include "host/printerapp/device_stream.h"
#include "host/printerapp/job_context.h"
#include "host/printerapp/job_turn.h"
#include "host/printerapp/printer_variants.h"
#include "host/printerapp/strip_printer.h"

namespace brimloft::printerapp {

namespace {

// One raster job: the printer's turn, the engine, and the strip being filled.
struct RasterJob {
  std::unique_ptr<JobTurn> turn;  // first: it outlives what writes to the device
  ComPtr<DeviceStream> stream;
  std::unique_ptr<StripPrinter> printer;
  rasterfilter::RowFormat format;
  double dpi = 203;
  unsigned page = 0;
  unsigned stripRows = 0;     // rows a strip holds
  unsigned filled = 0;        // rows in the strip so far
  std::vector<unsigned char> strip;  // blue-green-red-alpha rows of format.width pixels
  std::string failure;        // the first failure; the job prints nothing after it
};

RasterJob* StateOf(pappl_job_t* job) { return static_cast<RasterJob*>(papplJobGetData(job)); }

// Runs step, turning what it throws into the job's first failure.
template <typename Step>
bool Guarded(pappl_job_t* job, RasterJob& state, Step step) {
  if (state.turn->Repeated()) return true;  // a second run prints nothing
  if (!state.failure.empty()) return false;
  try {
    step();
    return true;
  } catch (...) {
    state.failure = DescribeFailure(std::current_exception());
    FailJob(job, state.failure);
    return false;
  }
}

void FlushStrip(RasterJob& state) {
  if (state.filled == 0) return;
  state.printer->PrintStrip(static_cast<int>(state.page), state.strip.data(), state.format.width, state.filled,
                            state.format.width * 4, state.dpi);
  state.filled = 0;
}

}  // namespace

bool RasterStartJob(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t* device) {
  auto state = std::make_unique<RasterJob>();
  try {
    state->turn = std::make_unique<JobTurn>(job, device);
    if (!state->turn->Repeated()) {
      // Rendered pages arrive on the roll the right way round: the engine turns nothing.
      state->stream = DeviceStream::Create(state->turn->Device());
      state->printer = std::make_unique<StripPrinter>(VariantOfPrinter(papplJobGetPrinter(job)),
                                                      FeaturesOf(job, *options, false), state->stream.get());
      if (papplJobGetTimeCompleted(job) != 0) throw JobCancelledBeforeStart();
    }
  } catch (...) {
    EndFailedJob(job, std::current_exception());
    return false;
  }
  papplJobSetData(job, state.release());
  return true;
}

bool RasterStartPage(pappl_job_t* job, pappl_pr_options_t* options, pappl_device_t*, unsigned page) {
  RasterJob* state = StateOf(job);
  if (state == nullptr) return false;
  return Guarded(job, *state, [&] {
    state->format = rasterfilter::RowFormatOf(options->header);
    state->dpi = options->header.HWResolution[1] > 0 ? options->header.HWResolution[1] : 203;
    state->page = page;
    state->stripRows = rasterfilter::StripRows(state->format.width);
    state->strip.assign(std::size_t(state->format.width) * 4 * state->stripRows, 0);
    state->filled = 0;
  });
}

bool RasterWriteLine(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned, const unsigned char* line) {
  RasterJob* state = StateOf(job);
  if (state == nullptr) return false;
  return Guarded(job, *state, [&] {
    rasterfilter::ConvertRow(state->format, line,
                             state->strip.data() + std::size_t(state->filled) * state->format.width * 4);
    if (++state->filled == state->stripRows) FlushStrip(*state);
  });
}

bool RasterEndPage(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*, unsigned) {
  RasterJob* state = StateOf(job);
  if (state == nullptr) return false;
  return Guarded(job, *state, [&] { FlushStrip(*state); });
}

bool RasterEndJob(pappl_job_t* job, pappl_pr_options_t*, pappl_device_t*) {
  std::unique_ptr<RasterJob> state(StateOf(job));
  papplJobSetData(job, nullptr);
  if (!state) return false;
  if (state->turn->Repeated()) return state->turn->FirstOutcome();
  // The end-of-job segment goes out also after a cancel or a failed page, as in the CUPS filter.
  const bool failedBefore = !state->failure.empty();
  if (state->printer) {
    try {
      state->printer->EndJob();
    } catch (...) {
      if (!failedBefore) {
        state->failure = DescribeFailure(std::current_exception());
        FailJob(job, state->failure);
      }
    }
  }
  if (state->stream) state->stream->Close();
  state->turn->SetOutcome(state->failure.empty());
  return state->failure.empty();
}

}  // namespace brimloft::printerapp
