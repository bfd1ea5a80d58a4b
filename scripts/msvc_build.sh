#!/usr/bin/env bash
# Builds the Visual C++-mode tavo.dll and tavo.lib (clang in Microsoft's
# ABI, cmake/toolchain-i686-msvc.cmake) for each C runtime flavour named:
#   msvcrt  msvcrt.dll, the runtime of Visual C++ 6.0 programs
#   ucrt    the Universal CRT (ucrtbase.dll), Visual C++ 2015 and later
# into build-msvc/FLAVOUR/ (the DLL and its import library in
# build-msvc/FLAVOUR/lib/).  Installs what it needs first: the Debian
# packages (scripts/deps.sh msvc), Wine's headers (scripts/msvc_sdk.sh)
# and MariaDB Connector/C built in the same mode for the flavour
# (scripts/mariadb_msvc.sh, into build-msvc-deps/FLAVOUR/mariadb).
#
#   scripts/msvc_build.sh [FLAVOUR...]       default: msvcrt ucrt
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || set -- msvcrt ucrt
for flavour in "$@"; do
  case "$flavour" in
    msvcrt|ucrt) ;;
    *) echo "usage: $0 [msvcrt|ucrt]..." >&2; exit 2 ;;
  esac
done
scripts/deps.sh msvc
scripts/msvc_sdk.sh "$PWD/build-msvc-deps/sdk"
for flavour in "$@"; do
  mariadb="$PWD/build-msvc-deps/$flavour/mariadb"
  scripts/mariadb_msvc.sh "$flavour" "$mariadb"
  build="$PWD/build-msvc/$flavour"
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-msvc.cmake" \
    -DTAVO_MSVC_CRT="$flavour" -DTAVO_MSVC_SDK="$PWD/build-msvc-deps/sdk" \
    -DTAVO_MARIADB_MSVC_PREFIX="$mariadb" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DTAVO_BUILD_EXAMPLES=OFF -DTAVO_LIB_DIR="$build/lib" >/dev/null
  cmake --build "$build" -j2 --target tavo
done
