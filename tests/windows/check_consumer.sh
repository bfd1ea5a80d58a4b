#!/usr/bin/env bash
# A program of a Windows developer's own, built against the installed
# Windows build the two ways "Using tavo.dll" in docs/windows.md shows, and
# run under Wine with tavo.dll copied beside it:
#   - mingw-w64 by hand: the import library by path, -static for the
#     compiler's own runtime libraries;
#   - CMake with the project's toolchain file, find_package(tavo) through
#     CMAKE_PREFIX_PATH alone.
# The installed tavo.pc names nothing but tavo (the MySQL client is inside
# the DLL).  Wine's environment (WINEPREFIX, ...) comes from the caller.
#
#   tests/windows/check_consumer.sh BUILD_DIR [i686|x86_64]
#       (a configured Windows build of that architecture; default i686)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$1
arch=${2:-i686}
. "$root/scripts/wine_lib.sh"
# A 64-bit program is started by the 64-bit loader.
if [ "$arch" = x86_64 ]; then wine=$tavo_wine64; else wine=wine; fi
work=$(mktemp -d /tmp/tavo_wincons.XXXXXX)
trap 'rm -rf "$work"' EXIT
prefix="$work/tavo-win-$arch"
cmake --install "$build" --prefix "$prefix" >/dev/null
src="$root/examples/quickstart"

run() {  # <dir holding quickstart.exe> <how it was built>
  cp "$prefix/bin/tavo.dll" "$1/"
  local got
  got=$(cd "$1" && "$wine" ./quickstart.exe | tr -d '\r')
  if [ "$got" != "$tavo_quickstart_output" ]; then
    printf 'check_consumer: %s: got\n%s\n' "$2" "$got" >&2
    exit 1
  fi
  echo "check_consumer: $2: ok"
}

mkdir -p "$work/direct"
$arch-w64-mingw32-g++-posix -std=c++17 -static -I"$prefix/include/tavo" "$src/quickstart.cpp" \
  "$prefix/lib/libtavo.dll.a" -o "$work/direct/quickstart.exe"
run "$work/direct" "mingw-w64 by hand"

cmake -S "$src" -B "$work/cmake" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
  -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_EXE_LINKER_FLAGS=-static >/dev/null
cmake --build "$work/cmake" >/dev/null
run "$work/cmake" "CMake find_package"

pc="$prefix/lib/pkgconfig/tavo.pc"
if grep -qi mariadb "$pc"; then
  echo "check_consumer: $pc names the MySQL client library" >&2; exit 1
fi
echo "check_consumer: ok"
