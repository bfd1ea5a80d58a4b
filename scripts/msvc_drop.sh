#!/usr/bin/env bash
# The Windows developer's drop of the Visual C++-mode tavo.dll: for each
# flavour named (default: all three), builds the DLL (scripts/msvc_build.sh)
# and makes build/drops/tavo-VERSION-RUNTIME-ARCH.zip (msvcrt-x86, ucrt-x86,
# ucrt-x64):
#   include/    the public headers, in their directories
#               (include/tCString/tCString.h, include/common/common.h, ...)
#   lib/tavo.lib  the import library
#   lib/cmake/tavo/  the CMake package: find_package(tavo) gives tavo::tavo
#   bin/tavo.dll
#   README.txt  which Visual C++ the flavour serves, how to compile and link
# The four sit at the top of the zip.  The headers and files come from
# the build's own install rules, so the drop holds exactly what an
# installation holds.
#
#   scripts/msvc_drop.sh [msvcrt|ucrt|ucrt-x64]...
#   scripts/msvc_drop.sh --from BUILD_DIR FLAVOUR
#       the drop of a build already made (ctest's msvc_drop in that build)
set -euo pipefail
cd "$(dirname "$0")/.."
build_of() { echo "$PWD/build/msvc-$1"; }
if [ "${1:-}" = --from ]; then
  [ $# -eq 3 ] || { echo "usage: $0 --from BUILD_DIR FLAVOUR" >&2; exit 2; }
  from=$2
  build_of() { echo "$from"; }
  set -- "$3"
else
  [ $# -ge 1 ] || set -- msvcrt ucrt ucrt-x64
  scripts/msvc_build.sh "$@"
fi

# The README of a flavour, on standard output.
readme() {
  local flavour=$1 version=$2
  local runtime serves compile bits="32-bit (x86)" prompt=x86
  if [ "$flavour" = msvcrt ]; then
    runtime="msvcrt.dll, the C runtime of Windows itself"
    serves="programs whose C runtime is msvcrt.dll: those built with Visual C++ 6.0
(/MD), and those built with clang-cl or clang in Visual C++ mode against
msvcrt.dll.  (Visual C++ 2002 to 2013 link msvcr70.dll to msvcr120.dll, whose
heap and streams are not msvcrt.dll's: they are served by neither flavour.)"
    compile="  cl /MD /I include yourprog.cpp lib\\tavo.lib"
  else
    runtime="the Universal CRT (ucrtbase.dll)"
    if [ "$flavour" = ucrt-x64 ]; then
      bits="64-bit (x64)" prompt=x64
      serves="64-bit (x64) programs built with Visual C++ 2015 and later (toolsets
v140 to v143) with the DLL runtime, /MD (or /MDd with the same heap caveats
as below).  32-bit programs use the x86 drops."
    else
      serves="programs built with Visual C++ 2015 and later (toolsets v140 to v143) with
the DLL runtime, /MD (or /MDd with the same heap caveats as below)."
    fi
    compile="  cl /MD /std:c++17 /I include yourprog.cpp lib\\tavo.lib"
  fi
  cat <<TXT
tavo $version for Visual C++, $bits: C runtime $runtime

This flavour serves $serves

Contents
  include\\     the public headers: the ten class headers in their folders
               (tCString\\tCString.h, ...) and common\\common.h with
               common\\tavo_export.h
  lib\\tavo.lib the import library
  lib\\cmake\\tavo\\  the CMake package
  bin\\tavo.dll the library; put it beside your program (or on PATH)

Compile and link (a Visual C++ command prompt for $prompt)
$compile

With CMake, the unzipped drop on CMAKE_PREFIX_PATH:
  find_package(tavo 2 REQUIRED)
  target_link_libraries(yourprog PRIVATE tavo::tavo)
tavo::tavo names lib\\tavo.lib, include\\ and bin\\tavo.dll (copy the DLL
beside your program: \$<TARGET_FILE:tavo::tavo> names it).

The headers read as C++98 (Visual C++ 6.0) and as any later standard.

The DLL runtime (/MD) is required.  The library and your program share C
runtime objects across the DLL boundary: a FILE* you open and pass to
write_fp or that tCFile holds, and memory the library allocates that you
release with free() (suffix, mstrdup, ...).  A program built with the static
runtime (/MT) has its own copy of the runtime, with its own heap and its own
FILE table, and must not do either.  The struct stat that tCFile::GetStatus
fills is laid out as the DLL runtime's /MD programs have it:
$( [ "$flavour" = msvcrt ] && echo "36 bytes, 32-bit time_t, as in Visual C++ 6.0." || echo "48 bytes (_stat64i32), 64-bit time_t, as in Visual C++ 2015 and later." )

$( [ "$flavour" = ucrt-x64 ] && echo "Member functions use Visual C++'s x64 names (??0tCString@@QEAA@PEBD@Z) and
calling convention; long is 4 bytes and pointers 8 (LLP64), and the
sockets and handles the classes hold stay int; tavo.dll imports only
Windows' own DLLs and" || echo "Member functions use __thiscall and Visual C++'s names
(??0tCString@@QAE@PBD@Z); tavo.dll imports only Windows' own DLLs and")
$( [ "$flavour" = msvcrt ] && echo msvcrt.dll || echo "ucrtbase.dll" ).
TXT
}

version=$(sed -n 's/^project(tavo VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
# The drop's name for a flavour: runtime and architecture.
drop_name() {
  case "$1" in
    ucrt-x64) echo "tavo-$version-ucrt-x64" ;;
    *) echo "tavo-$version-$1-x86" ;;
  esac
}

for flavour in "$@"; do
  build=$(build_of "$flavour")
  case "$flavour" in
    ucrt-x64) crt=ucrt arch=x64 runtime_dll=ucrtbase.dll ;;
    ucrt) crt=ucrt arch=x86 runtime_dll=ucrtbase.dll ;;
    *) crt=msvcrt arch=x86 runtime_dll=msvcrt.dll ;;
  esac
  work=$(mktemp -d /tmp/tavo_drop.XXXXXX)
  stage="$work/stage"
  cmake --install "$build" --prefix "$stage" --component Runtime >/dev/null
  cmake --install "$build" --prefix "$stage" --component Development >/dev/null
  name=$(drop_name "$flavour")
  drop="$work/$name"
  mkdir -p "$drop/bin" "$drop/lib/cmake/tavo"
  cp -r "$stage/include/tavo" "$drop/include"
  cp "$stage/bin/tavo.dll" "$drop/bin/"
  cp "$stage/lib/tavo.lib" "$drop/lib/"
  # The CMake package: tavo::tavo for the drop's own layout, and the version
  # file of the build (it also refuses a project of the other pointer size).
  sed -e "s/@VERSION@/$version/g" -e "s/@ARCH@/$arch/g" -e "s/@CRT@/$crt/g" \
      -e "s/@RUNTIME@/$runtime_dll/g" cmake/tavoDropConfig.cmake.in >"$drop/lib/cmake/tavo/tavoConfig.cmake"
  cp "$stage/lib/cmake/tavo/tavoConfigVersion.cmake" "$drop/lib/cmake/tavo/"
  readme "$flavour" "$version" | sed 's/$/\r/' >"$drop/README.txt"
  mkdir -p "$PWD/build/drops"
  zip="$PWD/build/drops/$name.zip"
  rm -f "$zip"
  (cd "$drop" && cmake -E tar cf "$zip" --format=zip include lib bin README.txt)
  rm -rf "$work"
  echo "msvc_drop.sh: $zip"
done
