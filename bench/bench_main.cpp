// The one main() of all benchmarks.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
