// Log entries per second: logprintf (stamp, then open, the writers' turn,
// the size check, write and close per entry) beside the sequence it
// replaced, reproduced here (size check by name, deletion, then open,
// write and close, with no turn: what lost entries at the bound), and
// beside a plain open-write-close loop on the same kind of file; one
// thread, then four threads writing to one log.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <ctime>
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

// One log for all the threads of a run.
TempLog* gLog = nullptr;

void setUpLog(const benchmark::State&) { gLog = new TempLog; }
void tearDownLog(const benchmark::State&) {
  delete gLog;
  gLog = nullptr;
}

void BM_Logprintf(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) logprintf(gLog->path(), "entry %d of the benchmark\n", i++);
  state.SetItemsProcessed(state.iterations());
}
// Real time: most of an entry is spent in the kernel (open, write, close).
BENCHMARK(BM_Logprintf)->Setup(setUpLog)->Teardown(tearDownLog)->UseRealTime()->Threads(1)->Threads(4);

// The former entry, step by step: the same text built the same way (time
// stamp, then the expansion, into one block), then the size check by
// name, the deletion, and the open, status, write and close the library
// made, with no turn taken.
void oldLogEntry(const char* path, const char* fmt, ...) {
  char entry[256];
  const std::time_t now = std::time(nullptr);
  std::tm local;
  localtime_r(&now, &local);
  std::size_t n = std::strftime(entry, sizeof entry, "%Y-%m-%d %X", &local);
  entry[n++] = ' ';
  entry[n++] = ' ';
  va_list ap;
  va_start(ap, fmt);
  n += static_cast<std::size_t>(std::vsnprintf(entry + n, sizeof entry - n, fmt, ap));
  va_end(ap);
  struct stat st;
  if (stat(path, &st) == 0 && st.st_size > 2000000) unlink(path);
  const int fd = open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return;
  if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
    const int fl = fcntl(fd, F_GETFL);
    if (fl != -1) fcntl(fd, F_SETFL, fl & ~O_NONBLOCK);
    benchmark::DoNotOptimize(write(fd, entry, n));
  }
  close(fd);
}

void BM_FormerThreeSteps(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) oldLogEntry(gLog->path(), "entry %d of the benchmark\n", i++);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_FormerThreeSteps)->Setup(setUpLog)->Teardown(tearDownLog)->UseRealTime()->Threads(1)->Threads(4);

void BM_FopenFprintfFclose(benchmark::State& state) {
  int i = 0;
  for (auto _ : state) {
    std::FILE* fp = std::fopen(gLog->path(), "ab+");
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
BENCHMARK(BM_FopenFprintfFclose)
    ->Setup(setUpLog)
    ->Teardown(tearDownLog)
    ->UseRealTime()
    ->Threads(1)
    ->Threads(4);

}  // namespace
