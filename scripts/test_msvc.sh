#!/usr/bin/env bash
# The tests of the Visual C++-mode tavo.dll (clang in Microsoft's ABI), for
# the flavours named: msvcrt (x86, msvcrt.dll), ucrt (x86, the Universal
# CRT) and ucrt-x64 (x64, the Universal CRT).  Installs what they need and
# builds each flavour (scripts/msvc_build.sh: the Debian packages, Wine's
# headers, MariaDB Connector/C of the same mode, the preset msvc-FLAVOUR),
# then runs its test preset (cmake/msvc/tests.cmake): the developer's drop
# (build/drops/tavo-VERSION-RUNTIME-ARCH.zip) and its checks, the programs
# built against the unzipped drop as a Visual C++ developer builds them
# (the link check, the client, the README's quick start with
# find_package(tavo)), and those programs under Wine, the client's
# database checks against the throwaway server ctest starts.
#
# The x64 programs run under 64-bit Wine on every x86-64 host: a Wine that
# cannot start them is a failure.  The x86 programs run only where the host
# runs 32-bit x86 programs: elsewhere the drops and their checks still run,
# the programs cannot (ctest -LE wine), and the script says so and exits
# with status 77 ("not run") once every flavour named is done.
#
#   scripts/test_msvc.sh [FLAVOUR...]      default: msvcrt ucrt ucrt-x64
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
[ $# -ge 1 ] || set -- msvcrt ucrt ucrt-x64
scripts/deps.sh test msvc
scripts/msvc_build.sh "$@"
. scripts/wine_lib.sh

not_run=()
for flavour in "$@"; do
  if [ "$flavour" = ucrt-x64 ]; then
    wine64_runnable_or_fail
    ctest --preset "msvc-$flavour" -j2
  elif wine_can_run_32bit; then
    ctest --preset "msvc-$flavour" -j2
  else
    ctest --preset "msvc-$flavour" -j2 -LE wine
    not_run+=("$flavour")
  fi
done
if [ ${#not_run[@]} -gt 0 ]; then
  echo "NOT RUN: the Visual C++-mode programs of ${not_run[*]} under Wine; this host cannot run" \
    "32-bit x86 programs (their drops were made and checked)" >&2
  exit 77
fi
echo "all Visual C++-mode tests passed under Wine ($*; $(( $(date +%s) - start )) s)"
