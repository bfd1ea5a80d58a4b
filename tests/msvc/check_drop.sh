#!/usr/bin/env bash
# The checks of a Visual C++-mode build and its drop that need no Wine
# (ctest's msvc_drop_check, cmake/msvc/tests.cmake):
#   - the DLL imports only system DLLs and its runtime, and holds no
#     thread-local storage or static initialisers (it has no entry point
#     to run them);
#   - the zip holds exactly the drop's files; it is unzipped into BUILD/drop;
#   - tests/msvc/ is built against the unzipped drop as a Visual C++
#     developer would (BUILD/tests): the link check, whose imports must
#     cover every public name tavo.lib exports, and the client program;
#   - the README's quick start (examples/quickstart) is built with CMake
#     against the unzipped drop, find_package(tavo) through
#     CMAKE_PREFIX_PATH alone (BUILD/quickstart).
#
#   tests/msvc/check_drop.sh FLAVOUR BUILD_DIR SDK_DIR
#       FLAVOUR: msvcrt, ucrt or ucrt-x64; SDK_DIR: Wine's headers
#       (scripts/msvc_sdk.sh)
set -euo pipefail
flavour=$1 build=$2 sdk=$3
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/scripts/wine_lib.sh"
version=$(sed -n 's/^project(tavo VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
case "$flavour" in
  ucrt-x64) arch=x64 crt=ucrt toolchain=toolchain-x86_64-msvc.cmake objdump=x86_64-w64-mingw32-objdump
            mingw_lib=/usr/x86_64-w64-mingw32/lib zip_name="tavo-$version-ucrt-x64.zip" ;;
  msvcrt|ucrt) arch=x86 crt=$flavour toolchain=toolchain-i686-msvc.cmake objdump=i686-w64-mingw32-objdump
               mingw_lib=/usr/i686-w64-mingw32/lib zip_name="tavo-$version-$flavour-x86.zip" ;;
  *) echo "usage: $0 msvcrt|ucrt|ucrt-x64 BUILD_DIR SDK_DIR" >&2; exit 2 ;;
esac
[ "$crt" = msvcrt ] && runtime=msvcrt.dll || runtime=ucrtbase.dll

dll="$build/lib/tavo.dll"
check_dll_imports "$objdump" "$dll" "$runtime"
if llvm-objdump-14 -h "$dll" | grep -Eq '[[:space:]](\.tls|\.CRT)'; then
  echo "$dll has thread-local storage or static initialisers, which nothing would run" >&2
  exit 1
fi

# What the drop holds: the interface's headers, the import library, the
# CMake package, the DLL and the README.
drop_files="README.txt bin/tavo.dll lib/tavo.lib lib/cmake/tavo/tavoConfig.cmake
lib/cmake/tavo/tavoConfigVersion.cmake include/common/common.h include/common/tavo_export.h
include/database/tCMysql.h include/tCFile/tCFile.h include/tCFileConf/tCFileConf.h
include/tCFileIni/tCFileIni.h include/tCShm/tCShm.h include/tCString/tCString.h
include/tCString2/tCString2.h include/tCString3/tCString3.h include/tCTcp/tCTcp.h include/tCUdp/tCUdp.h"
want_files=$(printf '%s\n' $drop_files | sort | tr '\n' ' ')
zip="$root/build/drops/$zip_name"
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
cmake -S "$root/tests/msvc" -B "$tests" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
  -DTAVO_MSVC_CRT="$crt" -DTAVO_MSVC_SDK="$sdk" -DTAVO_DROP="$drop" >/dev/null
cmake --build "$tests" -j2 >/dev/null
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
cmake -S "$root/examples/quickstart" -B "$quick" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/$toolchain" \
  -DTAVO_MSVC_CRT="$crt" -DTAVO_MSVC_SDK="$sdk" -DCMAKE_PREFIX_PATH="$drop" \
  -DTAVO_MSVC_EXTRA_FLAGS=-fno-exceptions \
  -DCMAKE_CXX_STANDARD_LIBRARIES="$helpers \"$mingw_lib/lib${runtime%.dll}.a\" \"$mingw_lib/libkernel32.a\"" \
  -DCMAKE_EXE_LINKER_FLAGS="-Wno-unused-command-line-argument -Wl,/nodefaultlib,/entry:mainCRTStartup,/subsystem:console$( [ "$arch" = x86 ] && echo ,/safeseh:no)" >/dev/null
cmake --build "$quick" >/dev/null
cp "$drop/bin/tavo.dll" "$quick/"
echo "quick start ($flavour): built with find_package(tavo) against the drop"
