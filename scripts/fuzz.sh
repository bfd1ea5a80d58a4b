#!/usr/bin/env bash
# Builds the libFuzzer harnesses of fuzz/ (clang 14 with AddressSanitizer and
# UndefinedBehaviorSanitizer; the preset fuzz, in build/fuzz/) and runs each
# of them for SECONDS seconds (default 60) through ctest, on a scratch copy
# of its seed corpus (fuzz/corpus/<name>/, never grown by a run; see
# fuzz/run_harness.sh).  Prints the executions of each harness.  Fails when
# a harness finds a crash, a leak, a time-out or a mismatch with its model;
# the input that did it is left as build/fuzz/artifacts/<name>-*, to be
# replayed with build/fuzz/fuzz/fuzz_<name> FILE.  Installs missing Debian
# packages first (scripts/deps.sh fuzz).
#
#   scripts/fuzz.sh [SECONDS] [NAME...]     e.g. scripts/fuzz.sh 600 ini conf
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-60}
shift || true
[[ "$secs" =~ ^[1-9][0-9]*$ ]] || { echo "usage: $0 [SECONDS] [NAME...]" >&2; exit 2; }
scripts/deps.sh fuzz

cmake --preset fuzz -DTAVO_FUZZ_SECONDS="$secs" >/dev/null
cmake --build --preset fuzz -j"$(nproc)"
select=()
if [ $# -gt 0 ]; then
  select=(-R "^fuzz_($(IFS='|'; echo "$*"))\$")
fi
ctest --preset fuzz -j"$(nproc)" "${select[@]}"
