// trc4 beside OpenSSL's RC4 over the same 64 MiB buffer, in place, the key
// schedule included in both.
//
// OpenSSL 3 keeps RC4 only in its deprecated low-level interface; this
// program uses it as the peer and silences the deprecation for itself.
#define OPENSSL_SUPPRESS_DEPRECATED 1
#include <benchmark/benchmark.h>
#include <openssl/rc4.h>

#include <cstdint>
#include <vector>

#include "common/common.h"

namespace {

constexpr std::size_t kBytes = std::size_t{64} << 20;
const unsigned char kKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::vector<unsigned char> makeData() {
  std::vector<unsigned char> v(kBytes);
  std::uint32_t x = 2463534242u;
  for (auto& b : v) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    b = static_cast<unsigned char>(x);
  }
  return v;
}

void BM_trc4(benchmark::State& state) {
  std::vector<unsigned char> data = makeData();
  for (auto _ : state) {
    trc4(kKey, sizeof kKey, data.data(), static_cast<int>(data.size()), data.data());
    benchmark::DoNotOptimize(data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kBytes));
}
BENCHMARK(BM_trc4)->Unit(benchmark::kMillisecond);

void BM_OpenSslRC4(benchmark::State& state) {
  std::vector<unsigned char> data = makeData();
  for (auto _ : state) {
    RC4_KEY key;
    RC4_set_key(&key, sizeof kKey, kKey);
    RC4(&key, data.size(), data.data(), data.data());
    benchmark::DoNotOptimize(data.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(kBytes));
}
BENCHMARK(BM_OpenSslRC4)->Unit(benchmark::kMillisecond);

}  // namespace
