// tCString beside std::string on the same inputs.
#include <benchmark/benchmark.h>

#include <string>

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

}  // namespace
