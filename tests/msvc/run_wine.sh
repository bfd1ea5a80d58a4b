#!/usr/bin/env bash
# Runs a program of the Visual C++-mode checks under Wine, as ctest does
# (cmake/msvc/tests.cmake), in the build's own prefix; x64 programs with
# 64-bit Wine, which runs on every x86-64 host.
#
#   tests/msvc/run_wine.sh x86|x64 PREFIX --setup      makes the prefix
#   tests/msvc/run_wine.sh x86|x64 PREFIX --cleanup    stops its server
#   tests/msvc/run_wine.sh x86|x64 PREFIX DIR PROGRAM [--client|--quickstart]
#       runs DIR/PROGRAM there; --client: its last line must say
#       "N passed, 0 failed"; --quickstart: it must print the quick start's
#       lines.  Exits with 77 ("skipped") for an x86 program on a host that
#       runs no 32-bit x86 programs.
set -euo pipefail
arch=$1 prefix=$2
shift 2
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine_lib.sh"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine=wine
if [ "$arch" = x64 ]; then
  export WINELOADER="$tavo_wine64"
  wine=$tavo_wine64
fi

case "$1" in
  --setup)
    if [ "$arch" = x64 ]; then
      wine64_runnable_or_fail
    elif ! wine_can_run_32bit; then
      echo "no prefix made: this host runs no 32-bit x86 programs"
      exit 0
    fi
    mkdir -p "$prefix"
    "$wine" wineboot -i >/dev/null 2>&1
    exit 0 ;;
  --cleanup)
    [ -d "$prefix" ] && wineserver -k 2>/dev/null || true
    exit 0 ;;
esac

dir=$1 program=$2 mode=${3:-}
if [ "$arch" = x86 ] && ! wine_can_run_32bit; then
  echo "skipped: this host runs no 32-bit x86 programs ($program was built)"
  exit 77
fi
status=0
out=$(cd "$dir" && timeout 280 "$wine" "./$program" 2>&1) || status=$?
out=$(printf '%s\n' "$out" | tr -d '\r')
printf '%s\n' "$out"
[ "$status" -eq 0 ] || { echo "$program exited with status $status" >&2; exit 1; }
case "$mode" in
  --client)
    result=$(printf '%s\n' "$out" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1)
    if [ -z "$result" ] || [[ "$result" != *" 0 failed" ]]; then
      echo "$program: no \"N passed, 0 failed\" line" >&2
      exit 1
    fi ;;
  --quickstart)
    if [ "$out" != "$tavo_quickstart_output" ]; then
      echo "$program did not print the quick start's lines" >&2
      exit 1
    fi ;;
esac
