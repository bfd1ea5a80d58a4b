// Splitting, sorting and searching string vectors, each beside its standard
// library peer on the same input.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/common.h"
#include "tCString/tCString.h"
#include "tCString2/tCString2.h"

namespace {

// ---- Splitting ---------------------------------------------------------------

// About 10 MB: a million fields of 1 to 17 letters (9 on average), each
// followed by `sep`.
const std::string& splitText(const std::string& sep) {
  static std::string single, twin;
  std::string& text = (sep.size() == 1) ? single : twin;
  if (text.empty()) {
    for (int i = 0; i < 1000000; ++i) {
      text.append(static_cast<size_t>((i * 7) % 17 + 1), static_cast<char>('a' + i % 26));
      text += sep;
    }
  }
  return text;
}

void runStrsplit(benchmark::State& state, const char* sep) {
  const std::string& text = splitText(sep);
  for (auto _ : state) {
    char** v = strsplit(text.c_str(), sep, 0);
    benchmark::DoNotOptimize(v);
    strfreev(v);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

void runStdSplit(benchmark::State& state, const char* sep) {
  const std::string& text = splitText(sep);
  const std::string_view all(text), s(sep);
  for (auto _ : state) {
    std::vector<std::string> fields;
    size_t pos = 0;
    for (size_t hit; (hit = all.find(s, pos)) != std::string_view::npos; pos = hit + s.size())
      fields.emplace_back(all.substr(pos, hit - pos));
    if (pos < all.size()) fields.emplace_back(all.substr(pos));
    benchmark::DoNotOptimize(fields.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size()));
}

// tCString::Split into a tCString2 (empty fields kept as "").
void runSplitMember(benchmark::State& state, const char* sep) {
  const tCString text(splitText(sep).c_str());
  for (auto _ : state) {
    tCString2 list;
    benchmark::DoNotOptimize(text.Split(list, sep));
    benchmark::DoNotOptimize(static_cast<char**>(list));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.GetLength()));
}

void BM_Strsplit(benchmark::State& state) { runStrsplit(state, ","); }
void BM_tCStringSplit(benchmark::State& state) { runSplitMember(state, ","); }
void BM_tCStringSplitTwoByteSep(benchmark::State& state) { runSplitMember(state, "::"); }
void BM_StdStringViewFindSplit(benchmark::State& state) { runStdSplit(state, ","); }
void BM_StrsplitTwoByteSep(benchmark::State& state) { runStrsplit(state, "::"); }
void BM_StdStringViewFindSplitTwoByteSep(benchmark::State& state) { runStdSplit(state, "::"); }
BENCHMARK(BM_Strsplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdStringViewFindSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StrsplitTwoByteSep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdStringViewFindSplitTwoByteSep)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tCStringSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_tCStringSplitTwoByteSep)->Unit(benchmark::kMillisecond);

// ---- Sorting and searching -------------------------------------------------------

const int kStrings = 100000;

// 100,000 random strings of 4 to 16 lowercase letters, some repeated; the
// storage lives for the whole run.
const std::vector<char*>& sortInput() {
  static std::vector<std::string> store;
  static std::vector<char*> v;
  if (v.empty()) {
    std::mt19937 rng(1);
    for (int i = 0; i < kStrings; ++i) {
      if (i % 10 == 9) {
        store.push_back(store[rng() % store.size()]);
        continue;
      }
      std::string s(4 + rng() % 13, ' ');
      for (char& c : s) c = static_cast<char>('a' + rng() % 26);
      store.push_back(s);
    }
    for (std::string& s : store) v.push_back(&s[0]);
    v.push_back(nullptr);
  }
  return v;
}

bool strBefore(const char* a, const char* b) { return std::strcmp(a, b) < 0; }

// Both sorts start each round from the same unsorted copy of the pointers.
void BM_Str2sort(benchmark::State& state) {
  const std::vector<char*>& in = sortInput();
  std::vector<char*> work(in.size());
  for (auto _ : state) {
    std::copy(in.begin(), in.end(), work.begin());
    str2sort(work.data(), 1);
    benchmark::DoNotOptimize(work.data());
  }
}

void BM_StdStableSort(benchmark::State& state) {
  const std::vector<char*>& in = sortInput();
  std::vector<char*> work(in.size());
  for (auto _ : state) {
    std::copy(in.begin(), in.end(), work.begin());
    std::stable_sort(work.begin(), work.begin() + kStrings, strBefore);
    benchmark::DoNotOptimize(work.data());
  }
}
BENCHMARK(BM_Str2sort)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StdStableSort)->Unit(benchmark::kMillisecond);

// The sorted vector and 1024 keys taken from it.
struct SearchInput {
  std::vector<char*> v;
  std::vector<const char*> keys;
};

const SearchInput& searchInput() {
  static SearchInput in;
  if (in.v.empty()) {
    in.v = sortInput();
    std::stable_sort(in.v.begin(), in.v.begin() + kStrings, strBefore);
    std::mt19937 rng(2);
    for (int i = 0; i < 1024; ++i) in.keys.push_back(in.v[rng() % kStrings]);
  }
  return in;
}

void BM_Str2forkfind(benchmark::State& state) {
  const SearchInput& in = searchInput();
  char** v = const_cast<char**>(in.v.data());
  size_t i = 0;
  for (auto _ : state) {
    int n = str2forkfind(v, in.keys[i++ & 1023], 1);
    benchmark::DoNotOptimize(n);
  }
}

// The peer told the count, as a std::vector would know it.
void BM_StdLowerBound(benchmark::State& state) {
  const SearchInput& in = searchInput();
  size_t i = 0;
  for (auto _ : state) {
    const char* key = in.keys[i++ & 1023];
    auto it = std::lower_bound(in.v.begin(), in.v.begin() + kStrings, key, strBefore);
    int n = (it != in.v.begin() + kStrings && std::strcmp(*it, key) == 0)
                ? static_cast<int>(it - in.v.begin())
                : -1;
    benchmark::DoNotOptimize(n);
  }
}

// The peer finding the count as a string vector requires: by walking to the
// null slot first.
void BM_StdLowerBoundAfterCounting(benchmark::State& state) {
  const SearchInput& in = searchInput();
  size_t i = 0;
  for (auto _ : state) {
    const char* key = in.keys[i++ & 1023];
    auto end = std::find(in.v.begin(), in.v.end(), nullptr);
    auto it = std::lower_bound(in.v.begin(), end, key, strBefore);
    int n = (it != end && std::strcmp(*it, key) == 0) ? static_cast<int>(it - in.v.begin()) : -1;
    benchmark::DoNotOptimize(n);
  }
}
BENCHMARK(BM_Str2forkfind);
BENCHMARK(BM_StdLowerBound);
BENCHMARK(BM_StdLowerBoundAfterCounting);

}  // namespace
