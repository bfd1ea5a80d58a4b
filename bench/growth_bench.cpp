// Exact-size growth over a range of sizes, each beside its standard peer on
// the same input: tCString += char beside std::string::push_back, tCString2
// appends beside std::vector<std::string>::push_back, and tCFile::ReadLines
// beside a std::getline loop.  Time per element against size shows where
// growth stops being linear (scripts/growth.sh draws it).
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "common/common.h"
#include "tCFile/tCFile.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"

namespace {

constexpr int kMin = 1 << 10;
constexpr int kMax = 1 << 22;

void perElement(benchmark::State& state) {
  state.SetItemsProcessed(state.iterations() * state.range(0));
  state.counters["elements"] = static_cast<double>(state.range(0));
}

void BM_GrowthtCStringAppendChar(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    tCString s;
    for (int i = 0; i < n; ++i) s += static_cast<char>('a' + i % 26);
    benchmark::DoNotOptimize(static_cast<const char*>(s));
  }
  perElement(state);
}
BENCHMARK(BM_GrowthtCStringAppendChar)->RangeMultiplier(4)->Range(kMin, kMax);

void BM_GrowthStdStringPushBack(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < n; ++i) s.push_back(static_cast<char>('a' + i % 26));
    benchmark::DoNotOptimize(s.data());
  }
  perElement(state);
}
BENCHMARK(BM_GrowthStdStringPushBack)->RangeMultiplier(4)->Range(kMin, kMax);

void BM_GrowthtCString2Append(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    tCString2 l;
    for (int i = 0; i < n; ++i) l += "element";
    benchmark::DoNotOptimize(static_cast<char**>(l));
  }
  perElement(state);
}
BENCHMARK(BM_GrowthtCString2Append)->RangeMultiplier(4)->Range(kMin, kMax);

void BM_GrowthStdVectorPushBack(benchmark::State& state) {
  const int n = static_cast<int>(state.range(0));
  for (auto _ : state) {
    std::vector<std::string> v;
    for (int i = 0; i < n; ++i) v.push_back("element");
    benchmark::DoNotOptimize(v.data());
  }
  perElement(state);
}
BENCHMARK(BM_GrowthStdVectorPushBack)->RangeMultiplier(4)->Range(kMin, kMax);

// Files of `n` lines of 40 bytes, written once and removed at exit.
class LineFiles {
 public:
  ~LineFiles() {
    for (auto& f : files_) unlink(f.second.c_str());
  }
  const std::string& get(int n) {
    std::string& path = files_[n];
    if (path.empty()) {
      char tmpl[] = "/tmp/tavo_growth_XXXXXX";
      int fd = mkstemp(tmpl);
      if (fd < 0) std::abort();
      close(fd);
      path = tmpl;
      std::FILE* fp = std::fopen(path.c_str(), "wb");
      for (int i = 0; i < n; ++i) std::fprintf(fp, "%039d\n", i);
      std::fclose(fp);
    }
    return path;
  }

 private:
  std::map<int, std::string> files_;
};

LineFiles& lineFiles() {
  static LineFiles files;
  return files;
}

void BM_GrowthtCFileReadLines(benchmark::State& state) {
  const std::string& path = lineFiles().get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    char** v = tCFile::ReadLines(path.c_str());
    // The count, not the pointer: GCC under AddressSanitizer miscompiles
    // DoNotOptimize of this pointer (it is then passed on changed).
    benchmark::DoNotOptimize(addresslen2(v));
    strfreev(v);
  }
  perElement(state);
}
BENCHMARK(BM_GrowthtCFileReadLines)->RangeMultiplier(4)->Range(kMin, kMax);

void BM_GrowthStdGetline(benchmark::State& state) {
  const std::string& path = lineFiles().get(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> v;
    std::string line;
    while (std::getline(in, line)) v.push_back(line);
    benchmark::DoNotOptimize(v.data());
  }
  perElement(state);
}
BENCHMARK(BM_GrowthStdGetline)->RangeMultiplier(4)->Range(kMin, kMax);

}  // namespace
