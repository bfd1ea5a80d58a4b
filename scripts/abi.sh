#!/usr/bin/env bash
# The exported ABI of libtavo.so, checked against the baseline kept in the
# tree (abi/libtavo.so.2.abi, made with abigail-tools' abidw from the public
# headers and the library's debug information).
#
#   scripts/abi.sh check  [BUILD_DIR]   # default: build/default (the default preset)
#   scripts/abi.sh update [BUILD_DIR]
#
# check fails when a symbol was removed or changed (programs built against
# libtavo.so.2 would break), and also when symbols were only added without the
# baseline being updated.  A commit that adds to the interface runs
# `scripts/abi.sh update` and commits the new baseline with the change; a
# removal or change needs a new SONAME instead.
set -euo pipefail
cd "$(dirname "$0")/.."
mode=${1:-}
build=${2:-build/default}
case "$mode" in check|update) ;; *) echo "usage: $0 check|update [BUILD_DIR]" >&2; exit 2 ;; esac
scripts/deps.sh abi
baseline=abi/libtavo.so.2.abi

[ -f "$build/CMakeCache.txt" ] || { echo "abi: no configured build in '$build' (build it first)" >&2; exit 1; }
work=$(mktemp -d /tmp/tavo_abi.XXXXXX)
trap 'rm -rf "$work"' EXIT
# The ABI as installed: the library and the public headers only.
cmake --install "$build" --prefix "$work/prefix" >/dev/null
lib=$(find "$work/prefix" -name libtavo.so.2 | head -n1)
[ -n "$lib" ] || { echo "abi: the installed tree has no libtavo.so.2" >&2; exit 1; }
soname=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ "$soname" = libtavo.so.2 ] || { echo "abi: SONAME is '$soname', not libtavo.so.2" >&2; exit 1; }
sections=$(readelf -S "$lib")
[[ $sections == *.debug_info* ]] ||
  { echo "abi: $lib has no debug information (build with -g, e.g. RelWithDebInfo)" >&2; exit 1; }
abidw --headers-dir "$work/prefix/include/tavo" --drop-private-types --no-corpus-path \
  --no-comp-dir-path --no-show-locs --out-file "$work/current.abi" "$lib"
# Translation units are named relative to the repository root, so that the
# baseline does not depend on where the tree was checked out.
sed -i "s|path='$PWD/|path='|g" "$work/current.abi"

if [ "$mode" = update ]; then
  mkdir -p abi
  cp "$work/current.abi" "$baseline"
  echo "abi: baseline written to $baseline"
  exit 0
fi

[ -f "$baseline" ] || { echo "abi: no baseline $baseline (run: $0 update)" >&2; exit 1; }
status=0
abidiff --no-show-locs "$baseline" "$work/current.abi" >"$work/report" || status=$?
if [ $status -eq 0 ]; then
  echo "abi: libtavo.so.2 matches $baseline"
  exit 0
fi
cat "$work/report"
if [ $((status & 3)) -ne 0 ]; then
  echo "abi: abidiff failed (status $status)" >&2
elif [ $((status & 8)) -eq 0 ] &&
     grep -Eq 'Functions changes summary: 0 Removed, 0 Changed' "$work/report" &&
     grep -Eq 'Variables changes summary: 0 Removed, 0 Changed' "$work/report"; then
  echo "abi: symbols were added; update the baseline in the same commit: $0 update" >&2
else
  echo "abi: symbols were removed or changed: programs built against libtavo.so.2 would break" >&2
fi
exit 1
