// Copies of objects that share a resource: a copy and its destruction (the
// share taken and given back), for a parsed INI file, a socket and a
// connection-less database object, and the open and close of a file that is
// never copied; beside std::shared_ptr, whose copy takes and gives back a
// count the same way.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <unistd.h>

#include "tCFile/tCFile.h"
#include "tCFileIni/tCFileIni.h"
#include "tCTcp/tCTcp.h"

namespace {

std::string scratchIni() {
  char path[] = "/tmp/tavo_share_bench.XXXXXX";
  const int fd = mkstemp(path);
  if (fd < 0) std::abort();
  const char text[] = "[db]\nHostName=127.0.0.1\nUserName=tavo\n";
  if (write(fd, text, sizeof text - 1) != static_cast<ssize_t>(sizeof text - 1)) std::abort();
  close(fd);
  return path;
}

void BM_tCFileIniCopy(benchmark::State& state) {
  const std::string path = scratchIni();
  tCFileIni ini(path.c_str(), "rb");
  for (auto _ : state) {
    tCFileIni copy(ini);
    benchmark::DoNotOptimize(&copy);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_tCFileIniCopy);

void BM_tCTcpCopy(benchmark::State& state) {
  tCTcp sock;
  if (sock.Open() != 1) state.SkipWithError("no socket");
  for (auto _ : state) {
    tCTcp copy(sock);
    benchmark::DoNotOptimize(&copy);
  }
}
BENCHMARK(BM_tCTcpCopy);

// A socket that is never copied: Open and Close (the close asks whether
// the socket is shared).
void BM_tCTcpOpenClose(benchmark::State& state) {
  tCTcp sock;
  for (auto _ : state) {
    if (sock.Open() != 1) state.SkipWithError("no socket");
    sock.Close();
  }
}
BENCHMARK(BM_tCTcpOpenClose);

void BM_tCFileOpenClose(benchmark::State& state) {
  const std::string path = scratchIni();
  tCFile file;
  for (auto _ : state) {
    file.Open(path.c_str(), "rb");
    file.Close();
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_tCFileOpenClose);

// The peers.
void BM_SharedPtrCopy(benchmark::State& state) {
  std::shared_ptr<int> p = std::make_shared<int>(1);
  for (auto _ : state) {
    std::shared_ptr<int> copy(p);
    benchmark::DoNotOptimize(&copy);
  }
}
BENCHMARK(BM_SharedPtrCopy);

void BM_FopenFclose(benchmark::State& state) {
  const std::string path = scratchIni();
  for (auto _ : state) {
    FILE* fp = std::fopen(path.c_str(), "rb");
    benchmark::DoNotOptimize(fp);
    std::fclose(fp);
  }
  std::remove(path.c_str());
}
BENCHMARK(BM_FopenFclose);

}  // namespace
