#!/usr/bin/env bash
# Builds the benchmarks in release mode (the preset bench, in build/bench/)
# and runs them all through ctest, one program at a time; each library call
# runs beside its peer in the same program.  The database benchmark runs
# against the throwaway MariaDB server that ctest starts and stops (the
# tavo_db fixture), or the one whose settings TAVO_DB_INI names.  Google
# Benchmark's flags come from the environment, e.g.
#   BENCHMARK_FILTER=Sort scripts/bench.sh
#   BENCHMARK_REPETITIONS=5 BENCHMARK_REPORT_AGGREGATES_ONLY=true scripts/bench.sh
# Arguments go to ctest (e.g. -R log_bench for one program).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)"
ctest --preset bench "$@"
