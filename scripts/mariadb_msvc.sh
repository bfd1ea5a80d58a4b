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
#       default PREFIX: build/deps/msvc/FLAVOUR/mariadb
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
# otherwise PREFIX is rebuilt and replaced whole, and only when this build
# made it.  The build tree of a failed run is kept for a look.
#
# This script fetches the source (scripts/mariadb_source.sh, through apt)
# and runs the probe; the configure, build and install, the helper
# libraries and the two link files (from cmake/mariadb/link.txt.in and
# mariadb-msvc.cmake.in) are cmake/mariadb/build.cmake's (target
# msvc-FLAVOUR).
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
deps_dir="$root/build/deps/msvc"
# The source package is shared with the mingw-w64 build.
src_cache="$root/build/deps/win/src"

probe=0
if [ "${1:-}" = "--probe" ]; then
  probe=1
  shift
fi
flavour=${1:-}
case "$flavour" in
  msvcrt) crt=msvcrt arch=x86 ;;
  ucrt) crt=ucrt arch=x86 ;;
  ucrt-x64) crt=ucrt arch=x64 ;;
  *) die "$usage" ;;
esac
shift
if [ "$arch" = x86 ]; then
  toolchain="$root/cmake/toolchain-i686-msvc.cmake"
  target=i686-pc-windows-msvc
  machine_flags="/machine:x86 /safeseh:no"
  wine=wine
else
  toolchain="$root/cmake/toolchain-x86_64-msvc.cmake"
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

build_library() {
  local stamp
  mariadb_source_fetch "$src_cache" || die "fetching the mariadb source package failed"
  stamp=$(mariadb_stamp "msvc-$flavour" "$self" "$toolchain" "$msvc_dir"/* "$root"/platform/msvc/* "$root/cmake/windows_cross.cmake")
  if mariadb_prefix_current "$prefix" "$stamp" lib/mariadbclient.lib include/mysql.h link.txt mariadb-msvc.cmake; then
    say "up to date: $prefix (mariadb $mariadb_version, $flavour)"
    return 0
  fi
  say "building Connector/C from mariadb $mariadb_version for $flavour into $prefix"
  mariadb_build "$src_cache" "msvc-$flavour" "$prefix" "$deps_dir" "$stamp" -DSDK="$sdk"
  say "done: $prefix (mariadb $mariadb_version, $flavour)"
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
