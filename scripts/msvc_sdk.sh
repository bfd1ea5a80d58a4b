#!/usr/bin/env bash
# Makes the C runtime and Windows headers for the Visual C++-mode build
# (cmake/toolchain-i686-msvc.cmake) available in DIR: Wine's, from Debian's
# libwine-dev, unpacked with apt-get download + dpkg -x, so that none of the
# package's many dependencies is installed (the headers are the same in every
# architecture's package).  mingw-w64's headers do not parse in this mode.
#
#   scripts/msvc_sdk.sh [DIR]        default DIR: build/deps/msvc/sdk
#
# Result:
#   DIR/include/msvcrt     the C runtime headers (msvcrt.dll and the UCRT)
#   DIR/include/windows    the Windows headers
#   DIR/.tavo-sdk.stamp    the package version the tree was made from
#
# Needs no root, only apt's package lists (scripts/deps.sh runs the single
# apt-get update).  A second run with the tree in place returns at once;
# otherwise DIR is made anew and put in place whole.
set -euo pipefail

say() { echo "msvc_sdk.sh: $*"; }
die() { echo "msvc_sdk.sh: error: $*" >&2; exit 1; }

root=$(cd "$(dirname "$0")/.." && pwd)
dir=${1:-$root/build/deps/msvc/sdk}
[ $# -le 1 ] || die "usage: $0 [DIR]"
case "$dir" in /*) ;; *) dir="$PWD/$dir" ;; esac
dir=${dir%/}
[ -n "$dir" ] || die "DIR must not be /"

stamp="$dir/.tavo-sdk.stamp"
if [ -f "$stamp" ] && [ -f "$dir/include/msvcrt/stdio.h" ] && [ -f "$dir/include/windows/windows.h" ]; then
  exit 0
fi
if [ -e "$dir" ] && [ ! -f "$stamp" ] && [ -n "$(ls -A "$dir" 2>/dev/null)" ]; then
  die "$dir exists and was not made by this script; choose another DIR"
fi

version=$(apt-cache policy libwine-dev 2>/dev/null | sed -n 's/^ *Candidate: //p')
if [ -z "$version" ] || [ "$version" = "(none)" ]; then
  die "apt knows no package libwine-dev: its package lists are missing or stale;
  run scripts/deps.sh msvc as root (it runs apt-get update)"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/tavo-msvc-sdk.XXXXXX")
trap 'rm -rf "$work"' EXIT
say "unpacking libwine-dev $version into $dir"
# apt-get download as root warns that _apt cannot write here; harmless.
(cd "$work" && apt-get download "libwine-dev=$version") >"$work/download.log" 2>&1 \
  || { cat "$work/download.log" >&2; die "apt-get download libwine-dev failed"; }
dpkg -x "$work"/libwine-dev_*.deb "$work/x" || die "dpkg -x failed"
inc="$work/x/usr/include/wine/wine"
[ -f "$inc/msvcrt/stdio.h" ] && [ -f "$inc/windows/windows.h" ] \
  || die "libwine-dev $version has no include/wine/wine/{msvcrt,windows}"

staged="$dir.new"
rm -rf "$staged"
mkdir -p "$staged/include"
mv "$inc/msvcrt" "$inc/windows" "$staged/include/"
echo "libwine-dev $version" >"$staged/.tavo-sdk.stamp"
rm -rf "$dir"
mkdir -p "$(dirname "$dir")"
mv "$staged" "$dir"
say "done: $dir"
