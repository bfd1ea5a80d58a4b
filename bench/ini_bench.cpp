// tCFileIni beside inih: opening and parsing a 10 MB INI file, and looking
// keys up in a 50-key section.
#include <benchmark/benchmark.h>
#include <ini.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>

#include "tCFileIni/tCFileIni.h"

namespace {

// A file written once under /tmp and removed at exit.
class BenchFile {
 public:
  explicit BenchFile(const std::string& text) {
    char tmpl[] = "/tmp/tavo_ini_bench_XXXXXX";
    int fd = mkstemp(tmpl);
    if (fd < 0) std::abort();
    path_ = tmpl;
    if (write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) std::abort();
    close(fd);
  }
  ~BenchFile() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

// Sections of 50 entries each, lines of 20 to 60 bytes, until `nBytes`;
// the number of entries goes to `*pEntries`.
std::string makeIni(std::size_t nBytes, int* pEntries) {
  std::string text;
  text.reserve(nBytes + 4096);
  char line[128];
  *pEntries = 0;
  for (int s = 0; text.size() < nBytes; ++s) {
    std::snprintf(line, sizeof line, "[section_%d]\n", s);
    text += line;
    for (int k = 0; k < 50; ++k) {
      std::snprintf(line, sizeof line, "key_%02d=value %d of section %d%.*s\n", k, k, s, (s + k) % 23,
                    "......................");
      text += line;
    }
    *pEntries += 50;
  }
  return text;
}

int gBigEntries = 0;

const BenchFile& bigFile() {
  static const BenchFile file(makeIni(10u << 20, &gBigEntries));
  return file;
}

const BenchFile& smallFile() {
  static int nEntries = 0;
  static const BenchFile file(makeIni(1, &nEntries));  // one section of 50 keys
  return file;
}

using Map = std::unordered_map<std::string, std::string>;

// inih's handler: every entry into the map under "section\nkey"; the first
// of repeated keys wins, as in tCFileIni.
int storeEntry(void* user, const char* section, const char* name, const char* value) {
  std::string key(section);
  key += '\n';
  key += name;
  static_cast<Map*>(user)->emplace(std::move(key), value);
  return 1;
}

void BM_tCFileIniOpen(benchmark::State& state) {
  const char* path = bigFile().path();
  for (auto _ : state) {
    tCFileIni ini;
    if (ini.Open(path, "rb") != 1) state.SkipWithError("open failed");
    benchmark::DoNotOptimize(ini);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (10 << 20));
  state.counters["entries"] = gBigEntries;
}
BENCHMARK(BM_tCFileIniOpen)->Unit(benchmark::kMillisecond);

void BM_InihParseToUnorderedMap(benchmark::State& state) {
  const char* path = bigFile().path();
  for (auto _ : state) {
    Map map;
    if (ini_parse(path, storeEntry, &map) != 0) state.SkipWithError("parse failed");
    benchmark::DoNotOptimize(map);
    state.counters["entries"] = static_cast<double>(map.size());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * (10 << 20));
}
BENCHMARK(BM_InihParseToUnorderedMap)->Unit(benchmark::kMillisecond);

constexpr int kLookups = 100000;

void BM_tCFileIniGetString(benchmark::State& state) {
  tCFileIni ini;
  if (ini.Open(smallFile().path(), "rb") != 1) state.SkipWithError("open failed");
  char keys[50][16];
  for (int k = 0; k < 50; ++k) std::snprintf(keys[k], sizeof keys[k], "key_%02d", k);
  char value[128];
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      int r = ini.GetString("section_0", keys[i % 50], value);
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(value);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_tCFileIniGetString)->Unit(benchmark::kMillisecond);

void BM_UnorderedMapLookup(benchmark::State& state) {
  Map map;
  if (ini_parse(smallFile().path(), storeEntry, &map) != 0) state.SkipWithError("parse failed");
  std::string keys[50];
  for (int k = 0; k < 50; ++k) {
    char name[16];
    std::snprintf(name, sizeof name, "key_%02d", k);
    keys[k] = std::string("section_0\n") + name;
  }
  char value[128];
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      auto it = map.find(keys[i % 50]);
      int r = 0;
      if (it != map.end()) {
        std::memcpy(value, it->second.c_str(), it->second.size() + 1);
        r = 1;
      }
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(value);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_UnorderedMapLookup)->Unit(benchmark::kMillisecond);

}  // namespace
