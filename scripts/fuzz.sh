#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ (clang 14 with AddressSanitizer and
# UndefinedBehaviorSanitizer) in build/fuzz/ and runs each of them for
# SECONDS seconds (default 60), one after the other, on a scratch copy of its
# seed corpus (fuzz/corpus/<name>/, never grown by a run).  Prints the
# executions of each harness.  Stops with a non-zero status at the first
# harness that finds a crash, a leak, a time-out or a mismatch with its
# model; the input that did it is left as build/fuzz/artifacts/<name>-*, to
# be replayed with build/fuzz/fuzz/fuzz_<name> FILE.  Installs missing Debian
# packages first (scripts/deps.sh fuzz).
#
#   scripts/fuzz.sh [SECONDS] [NAME...]     e.g. scripts/fuzz.sh 600 ini conf
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
[[ "$secs" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS] [NAME...]" >&2; exit 2; }
scripts/deps.sh fuzz

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j"$(nproc)"

names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do n=${src#fuzz/fuzz_}; names+=("${n%.cpp}"); done
fi
# The harnesses set their own leak checking; options a caller exported for
# other sanitizer runs do not apply here.
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p build/fuzz/artifacts
for name in "${names[@]}"; do
  run=build/fuzz/run/$name
  rm -rf "$run" && mkdir -p "$run/corpus"
  cp fuzz/corpus/"$name"/* "$run/corpus/"
  if ! build/fuzz/fuzz/fuzz_"$name" "$run/corpus" -max_total_time="$secs" -timeout=10 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build/fuzz/artifacts/$name-" \
      >"$run/log" 2>&1; then
    tail -n 40 "$run/log" >&2
    echo "fuzz_$name FAILED (log: $run/log)" >&2
    exit 1
  fi
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$run/log")
  echo "fuzz_$name: $execs executions in ${secs} s ($rate/s), no crash, leak or mismatch"
done
