// Cost of trace points: one switched off, and records written into memory or into a trace file.
#include <benchmark/benchmark.h>

#include <platform/trace_controller.h>

#include <cstdio>
#include <string>

#include "module/trace.h"

namespace {

using platform::trace::Session;

void TraceMessageArgs(benchmark::State& state, Session& session) {
  brimloft::trace::Start("KelmoranBrimloftFilter");
  session.Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_VERBOSE, 0xD);
  int page = 0;
  for (auto _ : state) {
    BRIMLOFT_TRACE(brimloft::trace::OptionValue, "QVDither", "=", "Diffusion");
    BRIMLOFT_TRACE(brimloft::trace::FixedPageReached, ++page);
  }
  state.SetItemsProcessed(2 * state.iterations());
  session.Stop();
  brimloft::trace::Stop();
}

void BM_TracePointSwitchedOff(benchmark::State& state) {
  brimloft::trace::Start("KelmoranBrimloftFilter");
  auto session = Session::StartInMemory();
  session->Enable(brimloft::trace::kControlGuid, TRACE_LEVEL_VERBOSE, brimloft::TRACE_ERROR);
  int page = 0;
  for (auto _ : state) {
    BRIMLOFT_TRACE(brimloft::trace::FixedPageReached, ++page);
    benchmark::DoNotOptimize(page);
  }
  session->Stop();
  brimloft::trace::Stop();
}
BENCHMARK(BM_TracePointSwitchedOff);

void BM_TraceToMemory(benchmark::State& state) {
  auto session = Session::StartInMemory();
  TraceMessageArgs(state, *session);
}
BENCHMARK(BM_TraceToMemory)->Iterations(200000);

void BM_TraceToFile(benchmark::State& state) {
  const std::string path = "/tmp/brimloft_trace_bench.trace";
  auto session = Session::StartToFile(path);
  TraceMessageArgs(state, *session);
  std::remove(path.c_str());
}
BENCHMARK(BM_TraceToFile);

}  // namespace
