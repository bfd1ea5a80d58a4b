// Log entries per second: logprintf (stamp, size check, open, write, close
// per entry) beside a plain open-write-close loop on the same kind of file.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "common/common.h"

namespace {

// A log file in a fresh temporary directory, removed afterwards.
class TempLog {
 public:
  TempLog() {
    char tmpl[] = "/tmp/tavo_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) std::abort();
    dir_ = tmpl;
    path_ = dir_ + "/bench.log";
  }
  ~TempLog() {
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  TempLog(const TempLog&) = delete;
  TempLog& operator=(const TempLog&) = delete;
  const char* path() const { return path_.c_str(); }

 private:
  std::string dir_;
  std::string path_;
};

void BM_Logprintf(benchmark::State& state) {
  TempLog log;
  int i = 0;
  for (auto _ : state) logprintf(log.path(), "entry %d of the benchmark\n", i++);
  state.SetItemsProcessed(state.iterations());
}
// Real time: most of an entry is spent in the kernel (stat, open, write, close).
BENCHMARK(BM_Logprintf)->UseRealTime();

void BM_FopenFprintfFclose(benchmark::State& state) {
  TempLog log;
  int i = 0;
  for (auto _ : state) {
    std::FILE* fp = std::fopen(log.path(), "ab+");
    benchmark::DoNotOptimize(fp);
    if (fp == nullptr) {
      state.SkipWithError("cannot open the log");
      break;
    }
    std::fprintf(fp, "entry %d of the benchmark\n", i++);
    std::fclose(fp);
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FopenFprintfFclose)->UseRealTime();

}  // namespace
