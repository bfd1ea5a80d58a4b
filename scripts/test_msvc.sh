#!/usr/bin/env bash
# The tests of the Visual C++-mode tavo.dll (clang in Microsoft's ABI,
# cmake/toolchain-i686-msvc.cmake), for both C runtime flavours, msvcrt
# (msvcrt.dll) and ucrt (the Universal CRT).  Installs what it needs first
# (scripts/deps.sh test msvc; Wine's headers and MariaDB Connector/C of the
# same mode through scripts/msvc_build.sh), then for each flavour:
#   - builds tavo.dll and tavo.lib and the developer's drop
#     (scripts/msvc_drop.sh: build-msvc/tavo-VERSION-FLAVOUR-x86.zip);
#   - checks the DLL: it imports only system DLLs and its runtime, and holds
#     no thread-local storage or static initialisers (it has no entry point
#     to run them);
#   - checks the zip's contents (unzip -l) and unzips it;
#   - builds tests/msvc/ against the unzipped drop, as a Visual C++
#     developer would: the link check, whose imports must cover every
#     public name tavo.lib exports (so that it names every member), and the
#     client program;
# then runs both programs of both flavours under Wine, in a prefix of its
# own (build-msvc/wineprefix) with its server kept warm and stopped at the
# end (scripts/wine_lib.sh).  The client prints "N passed, M failed".
#
# The database checks talk to the native throwaway MariaDB on 127.0.0.1:
# without TAVO_DB_INI the script runs itself under scripts/with_mariadb.sh,
# as scripts/test_windows.sh does.  On a host that runs no 32-bit x86
# programs the build and the checks of the files still run, the programs
# cannot: the script says so and exits with status 77 ("not run").
#
#   scripts/test_msvc.sh
set -euo pipefail
self="$(cd "$(dirname "$0")" && pwd)/$(basename "$0")"
cd "$(dirname "$0")/.."
if [ -z "${TAVO_DB_INI:-}" ]; then
  scripts/deps.sh test msvc
  exec scripts/with_mariadb.sh "$self" "$@"
fi
start=$(date +%s)
flavours=(msvcrt ucrt)
scripts/deps.sh test msvc
scripts/msvc_drop.sh "${flavours[@]}"
. scripts/wine_lib.sh

version=$(sed -n 's/^project(tavo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
objdump=i686-w64-mingw32-objdump
# What the drop holds: the interface's headers, the import library, the DLL
# and the README.
drop_files="README.txt bin/tavo.dll lib/tavo.lib include/common/common.h include/common/tavo_export.h
include/database/tCMysql.h include/tCFile/tCFile.h include/tCFileConf/tCFileConf.h
include/tCFileIni/tCFileIni.h include/tCShm/tCShm.h include/tCString/tCString.h
include/tCString2/tCString2.h include/tCString3/tCString3.h include/tCTcp/tCTcp.h include/tCUdp/tCUdp.h"
want_files=$(printf '%s\n' $drop_files | sort | tr '\n' ' ')

for flavour in "${flavours[@]}"; do
  build="$PWD/build-msvc/$flavour"
  dll="$build/lib/tavo.dll"
  [ "$flavour" = msvcrt ] && runtime=msvcrt.dll || runtime=ucrtbase.dll
  check_dll_imports "$objdump" "$dll" "$runtime"
  if llvm-objdump-14 -h "$dll" | grep -Eq '[[:space:]](\.tls|\.CRT)'; then
    echo "$dll has thread-local storage or static initialisers, which nothing would run" >&2
    exit 1
  fi

  zip="$PWD/build-msvc/tavo-$version-$flavour-x86.zip"
  got_files=$(unzip -Z1 "$zip" | grep -v '/$' | sort | tr '\n' ' ')
  if [ "$got_files" != "$want_files" ]; then
    echo "$zip holds: $got_files" >&2
    echo "it should hold: $want_files" >&2
    exit 1
  fi
  unzip -l "$zip" | tail -n 1
  drop="$build/drop"
  rm -rf "$drop"
  unzip -q "$zip" -d "$drop"

  tests="$build/tests"
  cmake -S tests/msvc -B "$tests" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-msvc.cmake" \
    -DTAVO_MSVC_CRT="$flavour" -DTAVO_MSVC_SDK="$PWD/build-msvc-deps/sdk" -DTAVO_DROP="$drop" >/dev/null
  cmake --build "$tests" -j2
  cp "$drop/bin/tavo.dll" "$tests/"

  # The link check names every public name the DLL exports (vtables aside;
  # private members, access code A-F or 0 after the class name, cannot be
  # named by a client): an exported member missing from it fails here.
  missing=$(comm -23 \
    <(llvm-readobj-14 --coff-exports "$dll" | sed -n 's/^ *Name: //p' | grep -v '^$' | grep -v '^??_7' |
        grep -Ev '^\?[A-Za-z_][A-Za-z0-9_]*@[A-Za-z0-9_]+@@[A-F0]' | sort -u) \
    <(llvm-nm-14 -u "$tests/CMakeFiles/link_check.dir/link_check.cpp.obj" | sed -n 's/^ *U __imp_//p' | sort -u))
  if [ -n "$missing" ]; then
    echo "tests/msvc/link_check.cpp does not name these exports of tavo.dll ($flavour):" >&2
    echo "$missing" >&2
    exit 1
  fi
  echo "link check ($flavour): every public export of tavo.dll is named"
done

wine_runnable_or_exit77 "tavo.dll, tavo.lib, the drops and the test programs were built and checked for both flavours."
wine_start "$PWD/build-msvc/wineprefix"

summary=""
for flavour in "${flavours[@]}"; do
  tests="$PWD/build-msvc/$flavour/tests"
  (cd "$tests" && timeout 120 wine ./link_check.exe) | tr -d '\r'
  status=0
  out=$(cd "$tests" && timeout 300 wine ./client.exe 2>&1) || status=$?
  out=$(printf '%s\n' "$out" | tr -d '\r')
  printf '%s\n' "$out" | sed "s/^/client ($flavour): /"
  result=$(printf '%s\n' "$out" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1)
  if [ "$status" -ne 0 ] || [ -z "$result" ] || [[ "$result" != *" 0 failed" ]]; then
    echo "client ($flavour) failed (exit status $status)" >&2
    exit 1
  fi
  summary="$summary $flavour: $result;"
done
echo "all Visual C++-mode tests passed under Wine ($summary $(( $(date +%s) - start )) s)"
