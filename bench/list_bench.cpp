// tCString2 sorting, appending and search by halving beside the standard
// library doing the same work on std::vector<std::string>.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "tCString2/tCString2.h"

namespace {

// Random words of 5 to 20 bytes over mixed-case letters and digits.
std::vector<std::string> randomWords(size_t n, unsigned seed) {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  std::mt19937 rng(seed);
  std::uniform_int_distribution<size_t> len(5, 20);
  std::uniform_int_distribution<size_t> pick(0, sizeof(kChars) - 2);
  std::vector<std::string> r;
  r.reserve(n);
  for (size_t i = 0; i < n; ++i) {
    std::string w;
    for (size_t k = len(rng); k > 0; --k) w += kChars[pick(rng)];
    r.push_back(std::move(w));
  }
  return r;
}

tCString2 toList(const std::vector<std::string>& words) {
  std::vector<char*> v;
  v.reserve(words.size() + 1);
  for (const auto& w : words) v.push_back(const_cast<char*>(w.c_str()));
  v.push_back(nullptr);
  return tCString2(v.data());
}

int foldedCompare(const std::string& a, const std::string& b) {
  auto fold = [](unsigned char c) { return (c >= 'A' && c <= 'Z') ? c + 32 : c; };
  const size_t n = std::min(a.size(), b.size());
  for (size_t i = 0; i < n; ++i) {
    int c = fold(static_cast<unsigned char>(a[i]));
    int d = fold(static_cast<unsigned char>(b[i]));
    if (c != d) return c < d ? -1 : 1;
  }
  return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

constexpr size_t kSortCount = 100000;
constexpr size_t kAppendCount = 100000;
constexpr size_t kSearchCount = 1000000;
constexpr size_t kLookups = 4096;

// ---- Sorting 100,000 strings ------------------------------------------------------

void BM_tCString2Sort(benchmark::State& state) {
  const tCString2 base = toList(randomWords(kSortCount, 1));
  const int nFlag = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    tCString2 l(base);
    state.ResumeTiming();
    l.Sort(nFlag);
    benchmark::DoNotOptimize(static_cast<char**>(l));
    state.PauseTiming();  // the copy's release is not part of the sort
    l.Empty();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_tCString2Sort)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_StdStableSort(benchmark::State& state) {
  const std::vector<std::string> base = randomWords(kSortCount, 1);
  const bool bAscending = state.range(0) == 1;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> v(base);
    state.ResumeTiming();
    if (bAscending)
      std::stable_sort(v.begin(), v.end());
    else
      std::stable_sort(v.begin(), v.end(), std::greater<std::string>());
    benchmark::DoNotOptimize(v.data());
    state.PauseTiming();
    v.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StdStableSort)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_tCString2SortNoCase(benchmark::State& state) {
  const tCString2 base = toList(randomWords(kSortCount, 1));
  const int nFlag = static_cast<int>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    tCString2 l(base);
    state.ResumeTiming();
    l.SortNoCase(nFlag);
    benchmark::DoNotOptimize(static_cast<char**>(l));
    state.PauseTiming();
    l.Empty();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_tCString2SortNoCase)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

void BM_StdStableSortNoCase(benchmark::State& state) {
  const std::vector<std::string> base = randomWords(kSortCount, 1);
  const bool bAscending = state.range(0) == 1;
  for (auto _ : state) {
    state.PauseTiming();
    std::vector<std::string> v(base);
    state.ResumeTiming();
    if (bAscending)
      std::stable_sort(v.begin(), v.end(),
                       [](const std::string& a, const std::string& b) { return foldedCompare(a, b) < 0; });
    else
      std::stable_sort(v.begin(), v.end(),
                       [](const std::string& a, const std::string& b) { return foldedCompare(a, b) > 0; });
    benchmark::DoNotOptimize(v.data());
    state.PauseTiming();
    v.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_StdStableSortNoCase)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// ---- 100,000 appends ------------------------------------------------------------------

void BM_tCString2Append(benchmark::State& state) {
  const std::vector<std::string> words = randomWords(kAppendCount, 2);
  for (auto _ : state) {
    tCString2 l;
    for (const auto& w : words) l += w.c_str();
    benchmark::DoNotOptimize(static_cast<char**>(l));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kAppendCount));
}
BENCHMARK(BM_tCString2Append)->Unit(benchmark::kMillisecond);

void BM_StdVectorPushBack(benchmark::State& state) {
  const std::vector<std::string> words = randomWords(kAppendCount, 2);
  for (auto _ : state) {
    std::vector<std::string> v;
    for (const auto& w : words) v.push_back(w);
    benchmark::DoNotOptimize(v.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kAppendCount));
}
BENCHMARK(BM_StdVectorPushBack)->Unit(benchmark::kMillisecond);

// ---- Search by halving over 1,000,000 sorted strings -----------------------------------

struct SearchInput {
  std::vector<std::string> sorted;
  std::vector<std::string> keys;  // members, in random order
};

const SearchInput& searchInput() {
  static const SearchInput input = [] {
    SearchInput s;
    s.sorted = randomWords(kSearchCount, 3);
    std::sort(s.sorted.begin(), s.sorted.end());
    std::mt19937 rng(4);
    std::uniform_int_distribution<size_t> pick(0, s.sorted.size() - 1);
    for (size_t i = 0; i < kLookups; ++i) s.keys.push_back(s.sorted[pick(rng)]);
    return s;
  }();
  return input;
}

void BM_tCString2ForkFind(benchmark::State& state) {
  const SearchInput& in = searchInput();
  tCString2 l = toList(in.sorted);
  for (auto _ : state) {
    for (const auto& k : in.keys) benchmark::DoNotOptimize(l.ForkFind(k.c_str(), 1));
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * in.keys.size()));
}
BENCHMARK(BM_tCString2ForkFind);

void BM_StdLowerBound(benchmark::State& state) {
  const SearchInput& in = searchInput();
  const std::vector<std::string>& v = in.sorted;
  for (auto _ : state) {
    for (const auto& k : in.keys) {
      auto it = std::lower_bound(v.begin(), v.end(), k);
      benchmark::DoNotOptimize(it != v.end() && *it == k ? it - v.begin() : -1);
    }
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * in.keys.size()));
}
BENCHMARK(BM_StdLowerBound);

}  // namespace
