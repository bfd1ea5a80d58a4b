#!/usr/bin/env bash
# Every library source compiles with the C runtime's headers alone: no C++
# standard library header on the include path (-nostdinc++).  The
# Visual C++-mode build of tavo.dll has no C++ standard library, so the
# library's own code uses only C headers and the small pieces of
# internal/tavo_cxx.h; this keeps it so on every build.
#
#   tests/install/check_sources.sh CXX [COMPILER-FLAG...] -- SOURCE...
set -euo pipefail
cxx=$1
shift
flags=()
while [ $# -gt 0 ] && [ "$1" != "--" ]; do
  flags+=("$1")
  shift
done
[ $# -gt 1 ] || { echo "usage: $0 CXX [FLAG...] -- SOURCE..." >&2; exit 2; }
shift
err="${TMPDIR:-/tmp}/tavo_src.$$.err"
trap 'rm -f "$err"' EXIT
failed=0
for src in "$@"; do
  if ! "$cxx" -std=c++17 -nostdinc++ -fsyntax-only -DTAVO_BUILDING "${flags[@]}" "$src" 2>"$err"; then
    cat "$err" >&2
    echo "check_sources: $src needs a C++ standard library header" >&2
    failed=1
  fi
done
[ $failed -eq 0 ] || exit 1
echo "check_sources: ok ($# sources, C headers only)"
