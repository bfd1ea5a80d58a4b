#!/usr/bin/env bash
# The fault-injection runs: a build in build/fault/ (the fault preset) with the library's calls
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

cmake --preset fault >/dev/null
cmake --build --preset fault -j"$(nproc)"
# The preset's sanitizer options: exitcode=23 tells a sanitizer's report
# apart from the runs' own exit statuses (1 is fetchfiles' failure, 3 a
# wrong result).
ctest --preset fault -j"$(nproc)" -V 2>&1 |
  grep -E '^[0-9]+: [a-z]+ +[0-9]+ calls|FAULT call|WRONG|its run without|tests passed|tests failed|Failed|Passed' |
  sed -E 's/^[0-9]+: //'
test "${PIPESTATUS[0]}" -eq 0
