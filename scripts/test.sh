#!/usr/bin/env bash
# The whole test suite: the format of every source (scripts/format.sh
# --check) and, once the builds are configured, the naming rule of internal
# code (scripts/names.sh), a normal build, then a build under AddressSanitizer
# and UndefinedBehaviorSanitizer (leak checking on, halting on the first
# error), and one under ThreadSanitizer (the whole suite, the concurrency
# test program among it; halting on the first report); the fault-injection
# runs, every system call of each scenario failed in turn under the
# sanitizers (scripts/fault.sh); the exported ABI
# against its baseline (scripts/abi.sh); the
# reference documentation with Doxygen's warnings as errors (scripts/doc.sh);
# the Debian packages (tests/package/check_packages.sh); a short smoke run
# of every fuzz harness (scripts/fuzz.sh, 10 seconds each) so that they keep
# building and passing; the README's main command (scripts/example.sh) run
# as a newcomer would, in a fresh Debian 12 root (scripts/fresh_example.sh,
# and tests/fresh/check_fresh_failures.sh for its failure reports); then the
# Windows builds under Wine: mingw-w64's 32- and 64-bit DLLs with the whole
# GoogleTest suite (scripts/test_windows.sh i686, x86_64) and the Visual
# C++-mode DLLs, x86 for msvcrt.dll and the UCRT and x64 for the UCRT, with
# their drops (scripts/test_msvc.sh).  The 64-bit programs run under 64-bit
# Wine on every x86-64 host and always run; on a host that cannot run 32-bit
# x86 programs the 32-bit tests are not run, and the last line says which
# ran.
# Installs missing Debian packages first, all at once.
#
# Each ctest run starts a throwaway MariaDB server for its database tests
# and stops it at the end, an interrupted run included (the fixture of
# cmake/tavo_db_fixture.cmake); the tests read its settings from the INI
# file named by TAVO_DB_INI.  With TAVO_DB_INI already set, that server is
# used instead.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test bench doc abi package fuzz format fresh windows msvc
scripts/format.sh --check

jobs=$(nproc)
# The build configurations are CMake's presets (CMakePresets.json); each
# builds into build/<preset>/, the default one's library into lib/.
workflow() {  # PRESET: configure, build and run its tests
  cmake --preset "$1" >/dev/null
  cmake --build --preset "$1" -j"$jobs"
  ctest --preset "$1" -j"$jobs"
}

workflow default
scripts/abi.sh check build/default
scripts/doc.sh build/default
tests/doc/check_doc_strict.sh build/default
tests/package/check_packages.sh
workflow asan
scripts/fault.sh
# The fault-injection wrappers live only in that build: the shipped library
# holds no trace of them (its exported interface is checked above).
if grep -q TAVO_FAULT_NTH lib/libtavo.so || nm -D lib/libtavo.so | grep -q '__wrap_\|__real_'; then
  echo "lib/libtavo.so holds the fault-injection seam" >&2
  exit 1
fi
# (Connector/C is not instrumented: races inside it are not seen, only its
# calls into the C library are.)
workflow tsan
scripts/fuzz.sh 10
# The naming rule of internal code, on every source those builds compile
# and the benchmarks' (configured only: their runs are timings).
cmake --preset bench >/dev/null
scripts/names.sh build/default build/fault build/fuzz build/bench
scripts/fresh_example.sh
tests/fresh/check_fresh_failures.sh
# Runs a Windows test script with its arguments; sets `said` to RAN, or,
# when the script's status is 77 (this host runs no 32-bit x86 programs),
# to NOT_RUN followed by "NOT RUN" and that reason.  The 64-bit runs pass
# "-" as NOT_RUN: 64-bit Wine runs on every x86-64 host, so for them 77 is
# a failure like any other.
wine_part() {
  local ran=$1 not_run=$2 status=0
  shift 2
  "$@" || status=$?
  case $status in
    0) said=$ran ;;
    77) if [ "$not_run" = - ]; then
          echo "$* did not run its programs; 64-bit Windows tests must run on every host" >&2
          exit 1
        fi
        said="$not_run NOT RUN, this host runs no 32-bit x86 programs" ;;
    *) exit "$status" ;;
  esac
}
wine_part "32-bit mingw-w64 build and tests under Wine" "32-bit mingw-w64 build; its tests" \
  scripts/test_windows.sh i686
windows32=$said
# The 64-bit runs go as they go on a host whose kernel starts no 32-bit x86
# programs (scripts/no_ia32.sh refuses 32-bit Wine to them), so that they
# can never lean on it unseen; where no mount namespace can be made (not
# root), they run as they are, and the last line says so.
no_ia32=(scripts/no_ia32.sh)
on_host=" on a simulated host without IA-32 emulation"
if ! scripts/no_ia32.sh true >/dev/null 2>&1; then
  no_ia32=()
  on_host=" (not on a simulated host without IA-32 emulation: no mount namespace here)"
fi
wine_part "64-bit mingw-w64 build and tests under 64-bit Wine$on_host" - "${no_ia32[@]}" scripts/test_windows.sh x86_64
windows64=$said
wine_part "Visual C++-mode x86 DLLs (msvcrt.dll and UCRT) and their tests under Wine" \
  "Visual C++-mode x86 DLLs and drops; their tests" scripts/test_msvc.sh msvcrt ucrt
msvc32=$said
wine_part "Visual C++-mode x64 DLL (UCRT) and its tests under 64-bit Wine$on_host" - \
  "${no_ia32[@]}" scripts/test_msvc.sh ucrt-x64
msvc64=$said
echo "all tests passed (normal and sanitizer builds, ThreadSanitizer, fault injection, ABI, documentation, packages, fuzz smoke run, main command in a fresh Debian 12 root, $windows64, $msvc64, $windows32, $msvc32)"
