#!/usr/bin/env bash
# Builds the Visual C++-mode tavo.dll and tavo.lib (clang in Microsoft's
# ABI) for each flavour named, a C runtime on an architecture:
#   msvcrt    x86, msvcrt.dll: Visual C++ 6.0 programs
#   ucrt      x86, the Universal CRT (ucrtbase.dll): Visual C++ 2015 and later
#   ucrt-x64  x64, the Universal CRT: 64-bit programs of Visual C++ 2015
#             and later
# (toolchain: cmake/toolchain-i686-msvc.cmake for x86,
# cmake/toolchain-x86_64-msvc.cmake for x64) with the preset msvc-FLAVOUR,
# into build/msvc-FLAVOUR/ (the DLL and its import library in its lib/).  Installs what it
# needs first: the Debian packages (scripts/deps.sh msvc), Wine's headers
# (scripts/msvc_sdk.sh) and MariaDB Connector/C built in the same mode for
# the flavour (scripts/mariadb_msvc.sh, into build/deps/msvc/FLAVOUR/mariadb).
#
#   scripts/msvc_build.sh [FLAVOUR...]       default: msvcrt ucrt ucrt-x64
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || set -- msvcrt ucrt ucrt-x64
for flavour in "$@"; do
  case "$flavour" in
    msvcrt|ucrt|ucrt-x64) ;;
    *) echo "usage: $0 [msvcrt|ucrt|ucrt-x64]..." >&2; exit 2 ;;
  esac
done
scripts/deps.sh msvc
scripts/msvc_sdk.sh "$PWD/build/deps/msvc/sdk"
for flavour in "$@"; do
  mariadb="$PWD/build/deps/msvc/$flavour/mariadb"
  scripts/mariadb_msvc.sh "$flavour" "$mariadb"
  cmake --preset "msvc-$flavour" >/dev/null
  cmake --build --preset "msvc-$flavour" -j2
done
