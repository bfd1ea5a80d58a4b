#!/usr/bin/env bash
# One timed run of a fuzz harness, as ctest runs it (fuzz/CMakeLists.txt):
# SECONDS seconds on a scratch copy of its seed corpus (fuzz/corpus/NAME/,
# never grown by a run) in RUN_DIR/NAME/.  Prints its executions; on a
# crash, a leak, a time-out or a mismatch with its model, prints the end of
# its log and fails, leaving the input that did it as
# ARTIFACTS/NAME-*, to be replayed with PROGRAM FILE.
#
#   fuzz/run_harness.sh NAME PROGRAM SECONDS RUN_DIR ARTIFACTS
set -euo pipefail
name=$1 prog=$2 secs=$3 runs=$4 artifacts=$5
corpus=$(cd "$(dirname "$0")" && pwd)/corpus/$name
# The harnesses set their own leak checking; options a caller exported for
# other sanitizer runs do not apply here.
export ASAN_OPTIONS=detect_leaks=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
run="$runs/$name"
rm -rf "$run" && mkdir -p "$run/corpus" "$artifacts"
cp "$corpus"/* "$run/corpus/"
if ! "$prog" "$run/corpus" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" >"$run/log" 2>&1; then
  tail -n 40 "$run/log"
  echo "fuzz_$name FAILED (log: $run/log)"
  exit 1
fi
execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log")
rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$run/log")
echo "fuzz_$name: $execs executions in ${secs} s ($rate/s), no crash, leak or mismatch"
