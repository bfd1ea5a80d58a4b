// tCShm Create + Shmat + Drop of a 1 MiB block beside the same life cycle
// written directly with shm_open/ftruncate/mmap (and munmap, close,
// shm_unlink).  Each iteration makes a new block and removes its name; the
// view is unmapped in both (tCShm never unmaps views).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "tCShm/tCShm.h"

namespace {

constexpr int kSize = 1 << 20;

void BM_tCShmCreateShmatDrop(benchmark::State& state) {
  std::string name = "shm_bench_tcshm_" + std::to_string(getpid());
  for (auto _ : state) {
    tCShm shm;
    if (shm.Create(name.c_str(), 0, kSize) != 1) {
      state.SkipWithError("Create failed");
      break;
    }
    void* p = shm.Shmat(nullptr, 0);
    benchmark::DoNotOptimize(p);
    shm.Drop();
    munmap(p, kSize);
  }
}
BENCHMARK(BM_tCShmCreateShmatDrop);

void BM_ShmOpenFtruncateMmap(benchmark::State& state) {
  std::string name = "/shm_bench_direct_" + std::to_string(getpid());
  for (auto _ : state) {
    int fd = shm_open(name.c_str(), O_RDWR | O_CREAT, 0600);
    if (fd < 0 || ftruncate(fd, kSize) != 0) {
      state.SkipWithError("shm_open/ftruncate failed");
      break;
    }
    void* p = mmap(nullptr, kSize, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    benchmark::DoNotOptimize(p);
    close(fd);
    shm_unlink(name.c_str());
    munmap(p, kSize);
  }
}
BENCHMARK(BM_ShmOpenFtruncateMmap);

}  // namespace
