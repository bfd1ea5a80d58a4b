// Helpers shared by the benchmark programs.
#ifndef TAVO_BENCH_BENCH_UTIL_H
#define TAVO_BENCH_BENCH_UTIL_H

#include <benchmark/benchmark.h>
#include <sys/resource.h>

namespace tavo_bench {

// Reports the peak memory (resident set) of the whole process so far as the
// counter "peak_MB".  Run one benchmark per process to read its own peak:
//     file_bench --benchmark_filter='^BM_StdGetline$'
inline void reportPeakMemory(benchmark::State& state) {
  struct rusage ru;
  getrusage(RUSAGE_SELF, &ru);
  state.counters["peak_MB"] = static_cast<double>(ru.ru_maxrss) / 1024.0;
}

}  // namespace tavo_bench

#endif  // TAVO_BENCH_BENCH_UTIL_H
