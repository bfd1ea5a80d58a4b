#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all; each library call
# runs beside its peer in the same program.  Extra arguments go to every
# benchmark program (e.g. --benchmark_filter=Sort).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake -S . -B build-bench -DCMAKE_BUILD_TYPE=Release -DTAVO_BUILD_TESTS=OFF -DTAVO_BUILD_BENCH=ON \
  -DTAVO_BUILD_EXAMPLES=OFF -DTAVO_LIB_DIR="$PWD/build-bench/lib" >/dev/null
cmake --build build-bench -j"$(nproc)"
for b in build-bench/bench/*_bench; do
  echo "== $b"
  "$b" "$@"
done
