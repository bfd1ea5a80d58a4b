#!/usr/bin/env bash
# The test suite of a mingw-w64 Windows build: tavo.dll and every test
# program cross-built for 32-bit (i686) or 64-bit (x86_64) Windows with the
# posix thread model, then run under Wine by ctest.  Installs what it needs
# first (scripts/deps.sh windows; MariaDB Connector/C for the architecture
# through scripts/mariadb_win.sh).
#
#   scripts/test_windows.sh [i686|x86_64]      default: i686
#       i686    the preset mingw-i686 (build/mingw-i686/,
#               cmake/toolchain-i686-w64-mingw32.cmake)
#       x86_64  the preset mingw-x86_64 (build/mingw-x86_64/,
#               cmake/toolchain-x86_64-w64-mingw32.cmake)
#
# Checks that tavo.dll imports only system DLLs (libgcc, libstdc++ and
# winpthread are linked into it).  Wine runs in a prefix of its own
# (BUILD/wineprefix) with its server kept warm for the whole run and
# stopped at the end, whatever the outcome.  Then a program of a developer's
# own is built against the installed DLL the ways docs/windows.md shows and run
# (tests/windows/check_consumer.sh).  The database tests talk to the
# native throwaway MariaDB on 127.0.0.1 over TCP, which ctest starts and
# stops (cmake/tavo_db_fixture.cmake), or to the one TAVO_DB_INI names.
#
# Wine runs 32-bit Windows programs as 32-bit x86 Linux processes.  On a host
# whose kernel runs none (a virtual machine without IA-32 emulation), the
# i686 build and the DLL check still run, the tests cannot: the script says
# so and exits with status 77 ("not run"), which scripts/test.sh reports as
# such.  64-bit Windows programs run under 64-bit Wine on every x86-64 host:
# for x86_64 a Wine that cannot start them is a failure.
set -euo pipefail
cd "$(dirname "$0")/.."
arch=${1:-i686}
case "$arch" in
  i686) mariadb="$PWD/build/deps/win/mariadb" ;;
  x86_64) mariadb="$PWD/build/deps/win/mariadb-x86_64" ;;
  *) echo "usage: $0 [i686|x86_64]" >&2; exit 2 ;;
esac
start=$(date +%s)
scripts/deps.sh test windows
scripts/mariadb_win.sh "$arch" "$mariadb"

preset=mingw-$arch
build="$PWD/build/$preset"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" -j2

# The DLL must need nothing but the system's own DLLs (msvcrt.dll among them).
. scripts/wine_lib.sh
check_dll_imports "$arch-w64-mingw32-objdump" "$build/lib/tavo.dll" msvcrt.dll
if [ "$arch" = i686 ]; then
  wine_runnable_or_exit77 "tavo.dll and the test programs were built and the DLL's imports checked."
  wine_start "$build/wineprefix"
else
  wine64_runnable_or_fail
  wine_start "$build/wineprefix" 64
fi
ctest --preset "$preset" -j2
# A Windows developer's program, built as docs/windows.md says, against the
# installed DLL.
tests/windows/check_consumer.sh "$build" "$arch"
echo "all Windows tests ($arch) passed under Wine ($(( $(date +%s) - start )) s)"
