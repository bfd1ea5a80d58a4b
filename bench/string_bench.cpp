// tCString beside std::string on the same inputs.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>

#include "common/common.h"
#include "tCString/tCString.h"

namespace {

constexpr int kAppends = 1000000;

// The bytes to append, built once outside the timed loops so that only the
// appends are measured.
const std::string& appendInput() {
  static const std::string s = [] {
    std::string t(kAppends, 'a');
    for (int i = 0; i < kAppends; ++i) t[i] = static_cast<char>('a' + i % 26);
    return t;
  }();
  return s;
}

// One million single-character appends.  tCString resizes its block to the
// exact new size on every append (one realloc each, usually in place);
// std::string grows geometrically and reallocates about twenty times.
void BM_tCStringAppendChar(benchmark::State& state) {
  const std::string& in = appendInput();
  for (auto _ : state) {
    tCString s;
    for (char c : in) s += c;
    benchmark::DoNotOptimize(static_cast<const char*>(s));
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(BM_tCStringAppendChar)->Unit(benchmark::kMillisecond);

void BM_StdStringPushBack(benchmark::State& state) {
  const std::string& in = appendInput();
  for (auto _ : state) {
    std::string s;
    for (char c : in) s.push_back(c);
    benchmark::DoNotOptimize(s.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kAppends);
}
BENCHMARK(BM_StdStringPushBack)->Unit(benchmark::kMillisecond);

// Character sorts of random text over a range of sizes: strsort counts
// bytes (linear); std::sort with the same signed order is the peer.
std::string randomText(std::size_t n) {
  std::string t(n, '\0');
  std::mt19937 rng(3);
  for (char& c : t) c = static_cast<char>(1 + rng() % 255);
  return t;
}

void BM_strsort(benchmark::State& state) {
  const std::string in = randomText(static_cast<std::size_t>(state.range(0)));
  std::string work;
  for (auto _ : state) {
    work = in;
    strsort(&work[0], 2);
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_strsort)->Range(1 << 10, 1 << 24)->Unit(benchmark::kMicrosecond);

void BM_StdSortSignedBytes(benchmark::State& state) {
  const std::string in = randomText(static_cast<std::size_t>(state.range(0)));
  std::string work;
  for (auto _ : state) {
    work = in;
    std::sort(work.begin(), work.end(),
              [](char a, char b) { return static_cast<signed char>(a) > static_cast<signed char>(b); });
    benchmark::DoNotOptimize(work.data());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdSortSignedBytes)->Range(1 << 10, 1 << 24)->Unit(benchmark::kMicrosecond);

// The worst case of a naive search: a text of 'a' and a pattern of 'a's
// ending in 'b', over a range of text sizes.  tCString::Find stays linear;
// the peer is std::search with the Boyer-Moore-Horspool searcher.
const std::string& repetitivePattern() {
  static const std::string p = std::string(20000, 'a') + "b";
  return p;
}

void BM_tCStringFindRepetitive(benchmark::State& state) {
  tCString s(std::string(static_cast<std::size_t>(state.range(0)), 'a').c_str());
  const std::string& pat = repetitivePattern();
  for (auto _ : state) benchmark::DoNotOptimize(s.Find(pat.c_str(), 0));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_tCStringFindRepetitive)->Range(1 << 16, 1 << 24)->Unit(benchmark::kMicrosecond);

void BM_StdSearchHorspoolRepetitive(benchmark::State& state) {
  const std::string text(static_cast<std::size_t>(state.range(0)), 'a');
  const std::string& pat = repetitivePattern();
  const std::boyer_moore_horspool_searcher<std::string::const_iterator> searcher(pat.begin(), pat.end());
  for (auto _ : state) benchmark::DoNotOptimize(std::search(text.begin(), text.end(), searcher));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_StdSearchHorspoolRepetitive)->Range(1 << 16, 1 << 24)->Unit(benchmark::kMicrosecond);

}  // namespace
