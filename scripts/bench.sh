#!/usr/bin/env bash
# Builds the benchmarks in release mode and runs them all; each library call
# runs beside its peer in the same program.  Extra arguments go to every
# benchmark program (e.g. --benchmark_filter=Sort).  The database benchmark
# runs against a throwaway MariaDB server that lives as long as the runs
# (scripts/with_mariadb.sh), or the one whose settings TAVO_DB_INI names.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh bench
cmake --preset bench >/dev/null
cmake --build --preset bench -j"$(nproc)"
run_all='for b in build/bench/bench/*_bench; do echo "== $b"; "$b" "$@"; done'
if [ -n "${TAVO_DB_INI:-}" ]; then
  bash -c "$run_all" bench "$@"
else
  scripts/with_mariadb.sh bash -c "$run_all" bench "$@"
fi
