#!/usr/bin/env bash
# The tests of the Visual C++-mode tavo.dll (clang in Microsoft's ABI), for
# the flavours named: msvcrt (x86, msvcrt.dll), ucrt (x86, the Universal
# CRT) and ucrt-x64 (x64, the Universal CRT).  Installs what it needs first
# (scripts/deps.sh test msvc; Wine's headers and MariaDB Connector/C of the
# same mode through scripts/msvc_build.sh), then for each flavour:
#   - builds tavo.dll and tavo.lib and the developer's drop
#     (scripts/msvc_drop.sh: build/drops/tavo-VERSION-RUNTIME-ARCH.zip);
#   - checks the DLL: it imports only system DLLs and its runtime, and holds
#     no thread-local storage or static initialisers (it has no entry point
#     to run them);
#   - checks the zip's contents (unzip -l) and unzips it;
#   - builds tests/msvc/ against the unzipped drop, as a Visual C++
#     developer would: the link check, whose imports must cover every
#     public name tavo.lib exports (so that it names every member), and the
#     client program;
#   - builds the README's quick start (examples/quickstart) with CMake
#     against the unzipped drop, find_package(tavo) through
#     CMAKE_PREFIX_PATH alone;
# then runs the three programs of each flavour under Wine, in a prefix of
# its own (build/wine-msvc, or build/wine-msvc64 made by 64-bit Wine) with
# its server kept warm and stopped at the end (scripts/wine_lib.sh).  The
# client prints "N passed, M failed".
#
# The database checks talk to a native throwaway MariaDB on 127.0.0.1,
# started for the runs and stopped at the end (throwaway_db_start of
# scripts/wine_lib.sh), or to the one TAVO_DB_INI names.  The x86 programs run only where the
# host runs 32-bit x86 programs: elsewhere the build and the checks of the
# files still run, the programs cannot, and the script says so and exits
# with status 77 ("not run"), after running any x64 flavour named.  The x64
# programs run under 64-bit Wine on every x86-64 host: a Wine that cannot
# start them is a failure.
#
#   scripts/test_msvc.sh [FLAVOUR...]      default: msvcrt ucrt ucrt-x64
set -euo pipefail
cd "$(dirname "$0")/.."
start=$(date +%s)
[ $# -ge 1 ] || set -- msvcrt ucrt ucrt-x64
flavours=("$@")
scripts/deps.sh test msvc
scripts/msvc_drop.sh "${flavours[@]}"
. scripts/wine_lib.sh

version=$(sed -n 's/^project(tavo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# What the drop holds: the interface's headers, the import library, the
# CMake package, the DLL and the README.
drop_files="README.txt bin/tavo.dll lib/tavo.lib lib/cmake/tavo/tavoConfig.cmake
lib/cmake/tavo/tavoConfigVersion.cmake include/common/common.h include/common/tavo_export.h
include/database/tCMysql.h include/tCFile/tCFile.h include/tCFileConf/tCFileConf.h
include/tCFileIni/tCFileIni.h include/tCShm/tCShm.h include/tCString/tCString.h
include/tCString2/tCString2.h include/tCString3/tCString3.h include/tCTcp/tCTcp.h include/tCUdp/tCUdp.h"
want_files=$(printf '%s\n' $drop_files | sort | tr '\n' ' ')

# The toolchain file, runtime and zip of a flavour.
flavour_setup() {
  case "$1" in
    ucrt-x64) arch=x64 crt=ucrt toolchain=toolchain-x86_64-msvc.cmake objdump=x86_64-w64-mingw32-objdump
              mingw_lib=/usr/x86_64-w64-mingw32/lib zip_name="tavo-$version-ucrt-x64.zip" ;;
    *) arch=x86 crt=$1 toolchain=toolchain-i686-msvc.cmake objdump=i686-w64-mingw32-objdump
       mingw_lib=/usr/i686-w64-mingw32/lib zip_name="tavo-$version-$1-x86.zip" ;;
  esac
  [ "$crt" = msvcrt ] && runtime=msvcrt.dll || runtime=ucrtbase.dll
}

for flavour in "${flavours[@]}"; do
  flavour_setup "$flavour"
  build="$PWD/build/msvc-$flavour"
  dll="$build/lib/tavo.dll"
  check_dll_imports "$objdump" "$dll" "$runtime"
  if llvm-objdump-14 -h "$dll" | grep -Eq '[[:space:]](\.tls|\.CRT)'; then
    echo "$dll has thread-local storage or static initialisers, which nothing would run" >&2
    exit 1
  fi

  zip="$PWD/build/drops/$zip_name"
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
  cmake -S tests/msvc -B "$tests" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" \
    -DTAVO_MSVC_CRT="$crt" -DTAVO_MSVC_SDK="$PWD/build/deps/msvc/sdk" -DTAVO_DROP="$drop" >/dev/null
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

  # The quick start with CMake against the drop, as a Visual C++ developer
  # builds it: find_package(tavo) through CMAKE_PREFIX_PATH alone.  A
  # console program of Visual C++ links its runtime's default libraries and
  # start-up code without being told; here the toolchain links only what it
  # is given, so they are named on the command line (the helper libraries
  # that tests/msvc made, the runtime's and kernel32's import libraries).
  # There is no Visual C++ C++ runtime library (vcruntime) here for the
  # exception tables of x86 code: the program is built without exceptions,
  # as the library is.
  helpers=""
  for l in "$tests"/msvc-libs/*.lib; do helpers="$helpers \"$l\""; done
  quick="$build/quickstart"
  rm -rf "$quick"
  cmake -S examples/quickstart -B "$quick" -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/$toolchain" \
    -DTAVO_MSVC_CRT="$crt" -DTAVO_MSVC_SDK="$PWD/build/deps/msvc/sdk" -DCMAKE_PREFIX_PATH="$drop" \
    -DTAVO_MSVC_EXTRA_FLAGS=-fno-exceptions \
    -DCMAKE_CXX_STANDARD_LIBRARIES="$helpers \"$mingw_lib/lib${runtime%.dll}.a\" \"$mingw_lib/libkernel32.a\"" \
    -DCMAKE_EXE_LINKER_FLAGS="-Wno-unused-command-line-argument -Wl,/nodefaultlib,/entry:mainCRTStartup,/subsystem:console$( [ "$arch" = x86 ] && echo ,/safeseh:no)" >/dev/null
  cmake --build "$quick" >/dev/null
  cp "$drop/bin/tavo.dll" "$quick/"
  echo "quick start ($flavour): built with find_package(tavo) against the drop"
done

# Runs the programs of the flavours of one architecture under Wine; adds
# their results to `summary`.
summary=""
run_flavours() {
  local wine=$1 flavour tests out status result got
  shift
  throwaway_db_start
  for flavour in "$@"; do
    tests="$PWD/build/msvc-$flavour/tests"
    (cd "$tests" && timeout 120 "$wine" ./link_check.exe) | tr -d '\r'
    status=0
    out=$(cd "$tests" && timeout 300 "$wine" ./client.exe 2>&1) || status=$?
    out=$(printf '%s\n' "$out" | tr -d '\r')
    printf '%s\n' "$out" | sed "s/^/client ($flavour): /"
    result=$(printf '%s\n' "$out" | grep -E '^[0-9]+ passed, [0-9]+ failed$' | tail -n 1)
    if [ "$status" -ne 0 ] || [ -z "$result" ] || [[ "$result" != *" 0 failed" ]]; then
      echo "client ($flavour) failed (exit status $status)" >&2
      exit 1
    fi
    got=$(cd "$PWD/build/msvc-$flavour/quickstart" && timeout 120 "$wine" ./quickstart.exe | tr -d '\r')
    if [ "$got" != $'apple\nfig\npear\ncannot open: No such file or directory' ]; then
      printf 'quick start (%s) printed:\n%s\n' "$flavour" "$got" >&2
      exit 1
    fi
    echo "quick start ($flavour): ok"
    summary="$summary $flavour: $result;"
  done
}

x86=() x64=()
for flavour in "${flavours[@]}"; do
  [ "$flavour" = ucrt-x64 ] && x64+=("$flavour") || x86+=("$flavour")
done
if [ ${#x64[@]} -gt 0 ]; then
  wine64_runnable_or_fail
  wine_start "$PWD/build/wine-msvc64" 64
  run_flavours "$tavo_wine64" "${x64[@]}"
  # That prefix's server is done with; the x86 programs have their own.
  wineserver -k 2>/dev/null || true
  unset WINELOADER
fi
if [ ${#x86[@]} -gt 0 ]; then
  if [ -n "$summary" ] && ! LC_ALL=C wine --version >/dev/null 2>&1; then
    echo "all x64 Visual C++-mode tests passed under 64-bit Wine (${summary# })"
  fi
  wine_runnable_or_exit77 "tavo.dll, tavo.lib, the drops and the test programs were built and checked for ${x86[*]}."
  wine_start "$PWD/build/wine-msvc"
  run_flavours wine "${x86[@]}"
fi
echo "all Visual C++-mode tests passed under Wine (${summary# } $(( $(date +%s) - start )) s)"
