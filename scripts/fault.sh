#!/usr/bin/env bash
# The fault-injection runs: a build in build-fault/ with the library's calls
# into the system linked through the fault-injection wrappers
# (tests/fault/syscall_wrappers.cpp, TAVO_FAULT_INJECTION=ON) and everything under
# AddressSanitizer and UndefinedBehaviorSanitizer, then every scenario of
# tests/fault/fault_run.cpp: each is run once to count the calls it makes,
# then once per call with that call failing, each run checked for a crash,
# a sanitizer report, a leak (of memory or descriptors), a hang and a wrong
# result.  Prints, per scenario, the calls failed and how many held, by
# kind of call.  The database scenario talks to the throwaway MariaDB
# server that ctest starts for it (the fixture of
# cmake/tavo_db_fixture.cmake), or to the one TAVO_DB_INI names.  Installs
# missing Debian packages first.
#
#   scripts/fault.sh
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test

cmake -S . -B build-fault -DCMAKE_BUILD_TYPE=Debug -DTAVO_SANITIZE=ON -DTAVO_FAULT_INJECTION=ON \
  -DTAVO_BUILD_EXAMPLES=OFF -DTAVO_LIB_DIR="$PWD/build-fault/lib" >/dev/null
cmake --build build-fault -j"$(nproc)"
# exitcode=23: a sanitizer's report is told apart from the runs' own exit
# statuses (1 is fetchfiles' failure, 3 a wrong result).
export ASAN_OPTIONS=detect_leaks=1:halt_on_error=1:allocator_may_return_null=1:abort_on_error=0:exitcode=23
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
ctest --test-dir build-fault --no-tests=error -j"$(nproc)" -V 2>&1 |
  grep -E '^[0-9]+: [a-z]+ +[0-9]+ calls|FAULT call|WRONG|its run without|tests passed|tests failed|Failed|Passed' |
  sed -E 's/^[0-9]+: //'
test "${PIPESTATUS[0]}" -eq 0
