// Reading a whole file as lines: tCFile::ReadLines, read_file and
// read_file_lines beside a std::getline loop into a std::vector<std::string>,
// and counting its lines beside fread and memchr, on one 100 MB file of
// 80-byte lines.
#include <benchmark/benchmark.h>

#include "bench_util.h"
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/common.h"
#include "tCFile/tCFile.h"

namespace {

// The input file, written once into a temporary directory and removed with
// it when the program ends.
class LinesFile {
 public:
  LinesFile() {
    char tmpl[] = "/tmp/tavo_bench_XXXXXX";
    if (mkdtemp(tmpl) == nullptr) std::abort();
    dir_ = tmpl;
    path_ = dir_ + "/lines.txt";
    std::FILE* fp = std::fopen(path_.c_str(), "wb");
    if (fp == nullptr) std::abort();
    std::string line;
    const long long kTotal = 100LL << 20;
    for (long long written = 0, i = 0; written < kTotal; ++i) {
      line.clear();
      for (int k = 0; k < 80; ++k) line += static_cast<char>('!' + (i * 7 + k * 13) % 90);
      line += '\n';
      std::fwrite(line.data(), 1, line.size(), fp);
      written += static_cast<long long>(line.size());
    }
    std::fclose(fp);
  }
  ~LinesFile() {
    unlink(path_.c_str());
    rmdir(dir_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string dir_;
  std::string path_;
};

const std::string& input() {
  static LinesFile file;
  return file.path();
}

void BM_tCFileReadLines(benchmark::State& state) {
  const std::string& path = input();
  for (auto _ : state) {
    tCFile f;
    if (!f.Open(path.c_str(), "rb")) state.SkipWithError("open failed");
    char** v = f.ReadLines();
    benchmark::DoNotOptimize(v);
    strfreev(v);
  }
  state.SetBytesProcessed(state.iterations() * (100LL << 20));
  tavo_bench::reportPeakMemory(state);
}
BENCHMARK(BM_tCFileReadLines)->Unit(benchmark::kMillisecond);

void BM_StdGetline(benchmark::State& state) {
  const std::string& path = input();
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    if (!in) state.SkipWithError("open failed");
    std::vector<std::string> v;
    std::string line;
    while (std::getline(in, line)) v.push_back(line);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetBytesProcessed(state.iterations() * (100LL << 20));
  tavo_bench::reportPeakMemory(state);
}
BENCHMARK(BM_StdGetline)->Unit(benchmark::kMillisecond);

void BM_ReadFile(benchmark::State& state) {
  const std::string& path = input();
  for (auto _ : state) {
    char** v = read_file(path.c_str());
    benchmark::DoNotOptimize(v);
    strfreev(v);
  }
  state.SetBytesProcessed(state.iterations() * (100LL << 20));
  tavo_bench::reportPeakMemory(state);
}
BENCHMARK(BM_ReadFile)->Unit(benchmark::kMillisecond);

void BM_ReadFileLines(benchmark::State& state) {
  const std::string& path = input();
  for (auto _ : state) {
    char** v = read_file_lines(path.c_str(), 1 << 30);
    benchmark::DoNotOptimize(v);
    strfreev(v);
  }
  state.SetBytesProcessed(state.iterations() * (100LL << 20));
  tavo_bench::reportPeakMemory(state);
}
BENCHMARK(BM_ReadFileLines)->Unit(benchmark::kMillisecond);

// Counting lines: tCFile::GetLines beside the simplest fast way, fread
// blocks and memchr for '\n'.
void BM_tCFileGetLines(benchmark::State& state) {
  const std::string& path = input();
  for (auto _ : state) {
    tCFile f;
    if (!f.Open(path.c_str(), "rb")) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(f.GetLines());
  }
  state.SetBytesProcessed(state.iterations() * (100LL << 20));
}
BENCHMARK(BM_tCFileGetLines)->Unit(benchmark::kMillisecond);

void BM_FreadMemchrCount(benchmark::State& state) {
  const std::string& path = input();
  std::vector<char> buf(1 << 16);
  for (auto _ : state) {
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) state.SkipWithError("open failed");
    long long n = 0;
    std::size_t got;
    while ((got = std::fread(buf.data(), 1, buf.size(), fp)) > 0) {
      const char* p = buf.data();
      const char* pEnd = p + got;
      while (const void* q = std::memchr(p, '\n', static_cast<std::size_t>(pEnd - p))) {
        ++n;
        p = static_cast<const char*>(q) + 1;
      }
    }
    std::fclose(fp);
    benchmark::DoNotOptimize(n);
  }
  state.SetBytesProcessed(state.iterations() * (100LL << 20));
}
BENCHMARK(BM_FreadMemchrCount)->Unit(benchmark::kMillisecond);

}  // namespace
