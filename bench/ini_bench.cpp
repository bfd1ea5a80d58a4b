// tCFileIni and tCFileConf beside inih into an unordered_map: opening and
// parsing a 10 MB INI file, and looking keys up in sections of 50 to 10,000
// keys.
#include <benchmark/benchmark.h>

#include "bench_util.h"
#include <ini.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "tCFileConf/tCFileConf.h"
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
  tavo_bench::reportPeakMemory(state);
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
  tavo_bench::reportPeakMemory(state);
}
BENCHMARK(BM_InihParseToUnorderedMap)->Unit(benchmark::kMillisecond);

constexpr int kLookups = 100000;

// One section of `nKeys` keys, as a file that lives for the whole run.
const BenchFile& sectionFile(int nKeys) {
  static std::unordered_map<int, BenchFile*> files;
  BenchFile*& f = files[nKeys];
  if (f == nullptr) {
    std::string text = "[section_0]\n";
    char line[128];
    for (int k = 0; k < nKeys; ++k) {
      std::snprintf(line, sizeof line, "key_%05d=value %d of section 0%.*s\n", k, k, k % 23,
                    "......................");
      text += line;
    }
    f = new BenchFile(text);
  }
  return *f;
}

// The keys looked up: spread over the whole section, so that a lookup that
// walked the section would pay for its length.
std::vector<std::string> lookupKeys(int nKeys) {
  std::vector<std::string> keys;
  char name[16];
  for (int i = 0; i < 64; ++i) {
    std::snprintf(name, sizeof name, "key_%05d", static_cast<int>((i * 7919LL) % nKeys));
    keys.emplace_back(name);
  }
  return keys;
}

void BM_tCFileIniGetString(benchmark::State& state) {
  const int nKeys = static_cast<int>(state.range(0));
  tCFileIni ini;
  if (ini.Open(sectionFile(nKeys).path(), "rb") != 1) state.SkipWithError("open failed");
  const std::vector<std::string> keys = lookupKeys(nKeys);
  char value[128];
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      int r = ini.GetString("section_0", keys[i & 63].c_str(), value);
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(value);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_tCFileIniGetString)->Arg(50)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_tCFileIniGetInteger(benchmark::State& state) {
  const int nKeys = static_cast<int>(state.range(0));
  tCFileIni ini;
  if (ini.Open(sectionFile(nKeys).path(), "rb") != 1) state.SkipWithError("open failed");
  const std::vector<std::string> keys = lookupKeys(nKeys);
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      int n = 0;
      int r = ini.GetInteger("section_0", keys[i & 63].c_str(), &n);
      benchmark::DoNotOptimize(r);
      benchmark::DoNotOptimize(n);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_tCFileIniGetInteger)->Arg(50)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_tCFileIniGetValue(benchmark::State& state) {
  const int nKeys = static_cast<int>(state.range(0));
  tCFileIni ini;
  if (ini.Open(sectionFile(nKeys).path(), "rb") != 1) state.SkipWithError("open failed");
  const std::vector<std::string> keys = lookupKeys(nKeys);
  tCString value;
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      int r = ini.GetValue("section_0", keys[i & 63].c_str(), value);
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_tCFileIniGetValue)->Arg(50)->Arg(10000)->Unit(benchmark::kMillisecond);

// tCFileConf: the same keys and values as a flat key/value file.
const BenchFile& confFile(int nKeys) {
  static std::unordered_map<int, BenchFile*> files;
  BenchFile*& f = files[nKeys];
  if (f == nullptr) {
    std::string text;
    char line[128];
    for (int k = 0; k < nKeys; ++k) {
      std::snprintf(line, sizeof line, "key_%05d=value %d%.*s\n", k, k, k % 23, "......................");
      text += line;
    }
    f = new BenchFile(text);
  }
  return *f;
}

void BM_tCFileConfGetValue(benchmark::State& state) {
  const int nKeys = static_cast<int>(state.range(0));
  tCFileConf conf;
  if (conf.Open(confFile(nKeys).path(), "rb") != 1) state.SkipWithError("open failed");
  const std::vector<std::string> keys = lookupKeys(nKeys);
  tCString value;
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      int r = conf.GetValue(keys[i & 63].c_str(), value);
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_tCFileConfGetValue)->Arg(50)->Arg(10000)->Unit(benchmark::kMillisecond);

// The peer: inih into an unordered_map under "section\nkey", looked up with
// a copy of the value into a buffer, as GetString does.
void BM_UnorderedMapLookup(benchmark::State& state) {
  const int nKeys = static_cast<int>(state.range(0));
  Map map;
  if (ini_parse(sectionFile(nKeys).path(), storeEntry, &map) != 0) state.SkipWithError("parse failed");
  std::vector<std::string> keys = lookupKeys(nKeys);
  for (std::string& k : keys) k = "section_0\n" + k;
  char value[128];
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      auto it = map.find(keys[i & 63]);
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
BENCHMARK(BM_UnorderedMapLookup)->Arg(50)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The peer for the lookups that hand the value out as a new string
// (GetValue into a tCString, which takes a new exact-size block on every
// assignment): the value copied into a fresh std::string.
void BM_UnorderedMapLookupToNewString(benchmark::State& state) {
  const int nKeys = static_cast<int>(state.range(0));
  Map map;
  if (ini_parse(sectionFile(nKeys).path(), storeEntry, &map) != 0) state.SkipWithError("parse failed");
  std::vector<std::string> keys = lookupKeys(nKeys);
  for (std::string& k : keys) k = "section_0\n" + k;
  for (auto _ : state) {
    for (int i = 0; i < kLookups; ++i) {
      auto it = map.find(keys[i & 63]);
      std::string value;
      if (it != map.end()) value = std::string(it->second);
      benchmark::DoNotOptimize(value.data());
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kLookups);
}
BENCHMARK(BM_UnorderedMapLookupToNewString)->Arg(50)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
