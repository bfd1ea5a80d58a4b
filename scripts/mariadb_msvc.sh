#!/usr/bin/env bash
# Builds MariaDB Connector/C for Windows in Visual C++ mode (clang 14,
# cmake/toolchain-i686-msvc.cmake or, for x64, toolchain-x86_64-msvc.cmake)
# as a static library for the Visual C++-mode tavo.dll, for one flavour (C
# runtime and architecture), from the libmariadb/ directory of
# Debian's mariadb source package (fetched as scripts/mariadb_win.sh fetches
# it, through scripts/mariadb_source.sh), with the same options as the
# mingw-w64 build: the authentication plugins and the shared-memory
# transport built in, TLS through Schannel.
#
#   scripts/mariadb_msvc.sh FLAVOUR [PREFIX]
#       FLAVOUR: msvcrt (msvcrt.dll, x86), ucrt (ucrtbase.dll, x86) or
#                ucrt-x64 (ucrtbase.dll, x64)
#       default PREFIX: build-msvc-deps/FLAVOUR/mariadb
#   scripts/mariadb_msvc.sh --probe FLAVOUR HOST PORT [USER [PASSWORD]]
#   scripts/mariadb_msvc.sh --probe FLAVOUR --ini FILE   (section [db], as
#       scripts/with_mariadb.sh writes TAVO_DB_INI)
#       builds (when needed) and runs tests/msvc/mariadb_probe.c under Wine
#       against that server: prints the server's version or the client's
#       error text, and the DLLs the program imports
#
# Result:
#   PREFIX/include/              mysql.h and the other public headers
#   PREFIX/lib/mariadbclient.lib the library (objects in Visual C++'s ABI)
#   PREFIX/lib/ntdll.lib, tavo_<runtime>_extra.lib, tavo_msvc_support.lib
#                                the helpers of cmake/msvc/import_libs.cmake
#   PREFIX/link.txt              what a DLL or program that links the library
#                                adds to its lld-link line, in order
#   PREFIX/mariadb-msvc.cmake    the same as the IMPORTED target tavo_mariadb_msvc
#
# Needs root once (scripts/deps.sh msvc).  A second run with the same source
# version, flavour and build files does nothing (PREFIX/.tavo-mariadb.stamp);
# otherwise PREFIX is rebuilt and replaced whole.  The build tree of a
# failed run is kept for a look.
set -euo pipefail

say() { echo "mariadb_msvc.sh: $*"; }
die() { echo "mariadb_msvc.sh: error: $*" >&2; exit 1; }
usage="usage: $0 FLAVOUR [PREFIX] | --probe FLAVOUR (HOST PORT [USER [PASSWORD]] | --ini FILE)"

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
self="$here/$(basename "$0")"
# shellcheck source=scripts/mariadb_source.sh
. "$here/mariadb_source.sh"
msvc_dir="$root/cmake/msvc"
deps_dir="$root/build-msvc-deps"
# The source package is shared with the mingw-w64 build.
src_cache="$root/build-win-deps/src"

probe=0
if [ "${1:-}" = "--probe" ]; then
  probe=1
  shift
fi
flavour=${1:-}
case "$flavour" in
  msvcrt) crt=msvcrt arch=x86 crt_lib=libmsvcrt.a crt_dll=msvcrt.dll ;;
  ucrt) crt=ucrt arch=x86 crt_lib=libucrtbase.a crt_dll=ucrtbase.dll ;;
  ucrt-x64) crt=ucrt arch=x64 crt_lib=libucrtbase.a crt_dll=ucrtbase.dll ;;
  *) die "$usage" ;;
esac
shift
if [ "$arch" = x86 ]; then
  toolchain="$root/cmake/toolchain-i686-msvc.cmake"
  mingw_lib=/usr/i686-w64-mingw32/lib
  target=i686-pc-windows-msvc
  machine_flags="/machine:x86 /safeseh:no"
  wine=wine
else
  toolchain="$root/cmake/toolchain-x86_64-msvc.cmake"
  mingw_lib=/usr/x86_64-w64-mingw32/lib
  target=x86_64-pc-windows-msvc
  machine_flags="/machine:x64"
  wine=/usr/lib/wine/wine64
fi
if [ "$probe" -eq 1 ]; then
  prefix=$deps_dir/$flavour/mariadb
else
  prefix=${1:-$deps_dir/$flavour/mariadb}
  [ $# -le 1 ] || die "$usage"
fi
case "$prefix" in /*) ;; *) prefix="$PWD/$prefix" ;; esac
prefix=${prefix%/}
[ -n "$prefix" ] || die "PREFIX must not be /"

"$here/deps.sh" msvc || die "scripts/deps.sh msvc failed"
sdk="$deps_dir/sdk"
"$here/msvc_sdk.sh" "$sdk" || die "scripts/msvc_sdk.sh failed"

# The system libraries Connector/C calls, after its own helpers and the
# runtime (lld-link searches each library once, in order).
system_libs="libws2_32.a libadvapi32.a libshlwapi.a libcrypt32.a libsecur32.a libbcrypt.a libkernel32.a"

build_library() {
  local t0 stamp_name=.tavo-mariadb.stamp stamp_text work src build staged lib h
  mariadb_source_fetch "$src_cache" || die "fetching the mariadb source package failed"
  stamp_text="source mariadb $mariadb_version
flavour $flavour
files $(cat "$self" "$here/mariadb_source.sh" "$toolchain" "$msvc_dir"/* | sha256sum | cut -d' ' -f1)"
  if [ -f "$prefix/$stamp_name" ] && [ "$(cat "$prefix/$stamp_name")" = "$stamp_text" ] &&
     [ -f "$prefix/lib/mariadbclient.lib" ] && [ -f "$prefix/include/mysql.h" ] &&
     [ -f "$prefix/link.txt" ]; then
    say "up to date: $prefix (mariadb $mariadb_version, $flavour)"
    return 0
  fi
  if [ -e "$prefix" ] && [ ! -f "$prefix/$stamp_name" ] && [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; then
    die "$prefix exists and was not made by this script; choose another PREFIX"
  fi
  say "building Connector/C from mariadb $mariadb_version for $flavour into $prefix"
  if [ "$mariadb_source_from_cache" -eq 1 ]; then
    mariadb_source_verify "$src_cache" \
      || die "the cached source package failed its check (see $src_cache/download.log)"
  fi

  mkdir -p "$deps_dir"
  work=$(mktemp -d "$deps_dir/mariadb-$flavour-build.XXXXXX")
  # shellcheck disable=SC2064  # the paths are fixed now
  build_ok=0
  trap "if [ \"\$build_ok\" -eq 1 ]; then rm -rf '$work'; else echo 'mariadb_msvc.sh: build tree kept in $work' >&2; fi" EXIT
  src=$(mariadb_source_extract "$src_cache" "$work") || die "extracting libmariadb/ from $mariadb_orig failed"

  # Connector/C answers its configure checks for Windows from its own
  # cmake/WindowsCache.cmake, but reads that file only when MSVC is set,
  # which CMake does not set for clang.  The checks themselves only compile
  # (nothing links without the project's link line), so every function
  # would be "found" (langinfo.h, say); the cache is preloaded instead.
  build="$work/build"
  mkdir -p "$build"
  printf 'set(MSVC 1)\ninclude("%s/cmake/WindowsCache.cmake")\nunset(MSVC)\n' "$src" >"$work/preload.cmake"

  # WIN32_LEAN_AND_MEAN and NOGDI are what Connector/C sets for MSVC alone;
  # cmake/msvc/mariadb_compat.h fills what Wine's headers lack.
  staged="$prefix.new"
  mariadb_build_static "$src" "$build" "$staged" mariadbclient.lib -C "$work/preload.cmake" \
    -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DTAVO_MSVC_CRT="$crt" -DTAVO_MSVC_SDK="$sdk" \
    -DTAVO_MSVC_EXTRA_FLAGS="-include $msvc_dir/mariadb_compat.h -DNOGDI"
  cmake -DOUTDIR="$staged/lib" -DCRT="$crt" -DSDK="$sdk" -DARCH="$arch" -P "$msvc_dir/import_libs.cmake" \
    || die "making the helper libraries failed"
  rm -f "$staged/lib"/*.obj
  write_link_files "$staged"
  echo "$stamp_text" >"$staged/$stamp_name"
  rm -rf "$prefix"
  mv "$staged" "$prefix"
  build_ok=1
  say "done: $prefix (mariadb $mariadb_version, $flavour)"
}

# link.txt and mariadb-msvc.cmake: the library, then the helpers (their
# runtime imports must win over mingw-w64's replacements), the runtime and
# the system's import libraries.
write_link_files() {
  local dir=$1 extra l
  [ "$crt" = msvcrt ] && extra=tavo_msvcrt_extra.lib || extra=tavo_ucrtbase_extra.lib
  {
    echo "# MariaDB Connector/C $mariadb_version, Visual C++ mode, $arch, runtime $crt_dll ($flavour),"
    echo "# made by scripts/mariadb_msvc.sh.  A DLL or program linking it statically"
    echo "# adds these to its lld-link line, after its own objects, in this order"
    echo "# (paths relative to this file's directory, or absolute), and links with"
    echo "#   $machine_flags /nodefaultlib"
    echo "# (a console program: /subsystem:console /entry:mainCRTStartup, which"
    echo "# lib/tavo_msvc_support.lib provides; a DLL: /dll and /noentry or its own"
    echo "# DllMain, which may call tavo_msvc_run_onexit at DLL_PROCESS_DETACH)."
    echo "# Compile with the same toolchain ($(basename "$toolchain"),"
    echo "# TAVO_MSVC_CRT=$crt) and -I include."
    echo "lib/mariadbclient.lib"
    echo "lib/$extra"
    echo "lib/tavo_msvc_support.lib"
    echo "lib/ntdll.lib"
    echo "$mingw_lib/$crt_lib"
    for l in $system_libs; do echo "$mingw_lib/$l"; done
  } >"$dir/link.txt"
  local libs="\${_d}/lib/mariadbclient.lib;\${_d}/lib/$extra;\${_d}/lib/tavo_msvc_support.lib;\${_d}/lib/ntdll.lib;$mingw_lib/$crt_lib"
  for l in $system_libs; do libs="$libs;$mingw_lib/$l"; done
  cat >"$dir/mariadb-msvc.cmake" <<CMAKE
# MariaDB Connector/C $mariadb_version, Visual C++ mode, $arch, runtime $crt_dll,
# static, made by scripts/mariadb_msvc.sh (plugins built in, TLS through
# Schannel); link.txt beside this file says the same for a plain link line.
#   include(\${PREFIX}/mariadb-msvc.cmake)
#   target_link_libraries(tavo PRIVATE tavo_mariadb_msvc)
# The interface lists the helper libraries, the runtime and the system
# libraries after the library, in link order.
if(NOT TARGET tavo_mariadb_msvc)
  set(_d "\${CMAKE_CURRENT_LIST_DIR}")
  add_library(tavo_mariadb_msvc INTERFACE IMPORTED)
  set_target_properties(tavo_mariadb_msvc PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "\${_d}/include"
    INTERFACE_LINK_LIBRARIES "$libs")
  unset(_d)
endif()
CMAKE
}

# Builds tests/msvc/mariadb_probe.c against PREFIX into PREFIX/../probe and
# runs it under Wine with the given arguments.
run_probe() {
  local out="$deps_dir/$flavour/probe" flags t0 status=0
  local -a link=()
  mkdir -p "$out"
  flags=$(cmake -DCRT="$crt" -DSDK="$sdk" -P "$msvc_dir/flags.cmake") || die "reading the compile flags failed"
  # shellcheck disable=SC2086  # the flags are words
  clang-14 --target=$target $flags -D_DLL -O2 -I"$prefix/include" \
    -c "$root/tests/msvc/mariadb_probe.c" -o "$out/mariadb_probe.obj" \
    || die "compiling the probe failed"
  while IFS= read -r l; do
    case "$l" in '#'*|'') continue ;; /*) link+=("$l") ;; *) link+=("$prefix/$l") ;; esac
  done <"$prefix/link.txt"
  # shellcheck disable=SC2086  # the flags are words
  lld-link /nologo $machine_flags /subsystem:console /entry:mainCRTStartup /nodefaultlib \
    /out:"$out/mariadb_probe.exe" "$out/mariadb_probe.obj" "${link[@]}" \
    || die "linking the probe failed"
  say "imports of $out/mariadb_probe.exe: $(objdump -p "$out/mariadb_probe.exe" | sed -n 's/^[[:space:]]*DLL Name: //p' | sort -fu | tr '\n' ' ')"
  # (A prefix made by 64-bit Wine for 64-bit programs: one made by the
  # 32-bit loader cannot run them.)
  export WINEPREFIX="$deps_dir/wineprefix" WINEDEBUG=-all
  [ "$arch" = x86 ] || export WINEPREFIX="$deps_dir/wineprefix64" WINELOADER="$wine"
  mkdir -p "$WINEPREFIX"
  t0=$EPOCHREALTIME
  timeout 120 "$wine" "$out/mariadb_probe.exe" "$@" || status=$?
  say "probe ($flavour): exit status $status, $(mariadb_source_since "$t0") s"
  return "$status"
}

if [ "$probe" -eq 0 ]; then
  build_library
  exit 0
fi

# --probe: the server's arguments.
if [ "${1:-}" = "--ini" ]; then
  [ $# -eq 2 ] && [ -f "$2" ] || die "$usage"
  ini_get() { sed -n "s/^$1=//p" "$2" | head -n 1 | tr -d '\r'; }
  set -- "$(ini_get HostName "$2")" "$(ini_get Port "$2")" "$(ini_get UserName "$2")" "$(ini_get PassWord "$2")"
fi
[ $# -ge 2 ] && [ $# -le 4 ] || die "$usage"
build_library
run_probe "$@"
