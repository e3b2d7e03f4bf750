// The entry point of the benchmark program; benchmarks register themselves in their own files.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
