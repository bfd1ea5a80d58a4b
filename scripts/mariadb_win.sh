#!/usr/bin/env bash
# Builds MariaDB Connector/C for Windows with mingw-w64, 32-bit (i686) or
# 64-bit (x86_64), as a static library for the Windows builds of libtavo,
# from the libmariadb/ directory of Debian's own mariadb source package
# (Debian 12 has no separate Connector/C source package).
#
#   scripts/mariadb_win.sh [ARCH] [PREFIX]
#       ARCH: i686 (default) or x86_64
#       default PREFIX: build-win-deps/mariadb (i686),
#                       build-win-deps/mariadb-x86_64 (x86_64)
#
# Result:
#   PREFIX/include/              mysql.h and the other public headers
#   PREFIX/lib/libmariadbclient.a
#   PREFIX/tavo-mariadb.cmake    defines the IMPORTED target tavo_mariadb_win;
#                                include(${TAVO_MARIADB_WIN_PREFIX}/tavo-mariadb.cmake)
#                                then link tavo_mariadb_win
#
# The authentication plugins (ed25519, caching_sha2_password, sha256_password,
# mysql_clear_password) and the shared-memory transport are built into the
# library; TLS goes through Windows Schannel.
#
# Needs root once: Debian packages come through scripts/deps.sh windows,
# which also gives apt a deb-src entry (scripts/deb_src.sh: a file of our
# own, tavo-deb-src.sources, mirroring the machine's Debian entries) when it
# has none that serves mariadb, within its single apt-get update.  The
# source package is kept in build-win-deps/src and reused.  A second run with
# the same source version, script and toolchain file does nothing (the stamp
# PREFIX/.tavo-mariadb.stamp); otherwise PREFIX is rebuilt and replaced whole,
# never left half-made.  The build tree of a failed run is kept for a look.
set -euo pipefail

say() { echo "mariadb_win.sh: $*"; }
die() { echo "mariadb_win.sh: error: $*" >&2; exit 1; }


here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
self="$here/$(basename "$0")"
deps_dir="$root/build-win-deps"
src_cache="$deps_dir/src"
arch=i686
case "${1:-}" in i686|x86_64) arch=$1; shift ;; esac
toolchain="$root/cmake/toolchain-$arch-w64-mingw32.cmake"
if [ "$arch" = i686 ]; then default_prefix=$deps_dir/mariadb; else default_prefix=$deps_dir/mariadb-$arch; fi
prefix=${1:-$default_prefix}
[ $# -le 1 ] || die "usage: $0 [i686|x86_64] [PREFIX]"
case "$prefix" in /*) ;; *) prefix="$PWD/$prefix" ;; esac
prefix=${prefix%/}
[ -n "$prefix" ] || die "PREFIX must not be /"

"$here/deps.sh" windows || die "scripts/deps.sh windows failed"

# --- the source package (scripts/mariadb_source.sh, shared with the Visual
# C++-mode build), and is PREFIX already built from it ----------------------

# shellcheck source=scripts/mariadb_source.sh
. "$here/mariadb_source.sh"
mariadb_source_fetch "$src_cache" || die "fetching the mariadb source package failed"
version=$mariadb_version orig=$mariadb_orig from_cache=$mariadb_source_from_cache

stamp_name=.tavo-mariadb.stamp
stamp_text="source mariadb $version
arch $arch
script $(cat "$self" "$here/mariadb_source.sh" | sha256sum | cut -d' ' -f1)
toolchain $(sha256sum <"$toolchain" | cut -d' ' -f1)"
if [ -f "$prefix/$stamp_name" ] && [ "$(cat "$prefix/$stamp_name")" = "$stamp_text" ] &&
   [ -f "$prefix/lib/libmariadbclient.a" ] && [ -f "$prefix/include/mysql.h" ] &&
   [ -f "$prefix/tavo-mariadb.cmake" ]; then
  say "up to date: $prefix (mariadb $version)"
  exit 0
fi
# Only a tree this script made (or an empty directory) is ever replaced.
if [ -e "$prefix" ] && [ ! -f "$prefix/$stamp_name" ] && [ -n "$(ls -A "$prefix" 2>/dev/null)" ]; then
  die "$prefix exists and was not made by this script; choose another PREFIX"
fi
say "building Connector/C from mariadb $version ($orig) for $arch into $prefix"
if [ "$from_cache" -eq 1 ]; then
  mariadb_source_verify "$src_cache" \
    || die "the cached source package failed its check (see $src_cache/download.log)"
fi

# --- extract libmariadb/ and patch it ---------------------------------------

work=$(mktemp -d "$deps_dir/mariadb-$arch-build.XXXXXX")
ok=0
trap 'if [ "$ok" -eq 1 ]; then rm -rf "$work"; else echo "mariadb_win.sh: build tree kept in $work" >&2; fi' EXIT

src=$(mariadb_source_extract "$src_cache" "$work") \
  || die "extracting libmariadb/ from $orig failed"

# The variadic mysql_load_plugin is declared in mysql.h without STDCALL but
# defined with it; for i686 that is a different calling convention, and gcc
# stops with "conflicting types".  The definition loses the STDCALL (for
# x86_64, where there is one calling convention, that changes nothing).
plugin_c="$src/libmariadb/ma_client_plugin.c.in"
awk '
  prev == "struct st_mysql_client_plugin * STDCALL" && $0 ~ /^mysql_load_plugin\(.*\.\.\.\)$/ {
    prev = "struct st_mysql_client_plugin *"; fixed++
  }
  NR > 1 { print prev }
  { prev = $0 }
  END { print prev; exit fixed == 1 ? 0 : 3 }' "$plugin_c" >"$plugin_c.new" \
  || die "ma_client_plugin.c.in: the STDCALL definition of the variadic mysql_load_plugin was not found once (a new Connector/C? check whether the patch is still needed)"
mv "$plugin_c.new" "$plugin_c"

# --- configure and build ----------------------------------------------------

build="$work/build"
staged="$prefix.new"
mariadb_build_static "$src" "$build" "$staged" libmariadbclient.a -DCMAKE_TOOLCHAIN_FILE="$toolchain"

cat >"$staged/tavo-mariadb.cmake" <<CMAKE
# MariaDB Connector/C $version for $arch-w64-mingw32, static, made by
# scripts/mariadb_win.sh (plugins built in, TLS through Schannel).
#   include(\${TAVO_MARIADB_WIN_PREFIX}/tavo-mariadb.cmake)
#   target_link_libraries(tavo PRIVATE tavo_mariadb_win)
if(NOT TARGET tavo_mariadb_win)
  add_library(tavo_mariadb_win STATIC IMPORTED)
  set_target_properties(tavo_mariadb_win PROPERTIES
    IMPORTED_LOCATION "\${CMAKE_CURRENT_LIST_DIR}/lib/libmariadbclient.a"
    INTERFACE_INCLUDE_DIRECTORIES "\${CMAKE_CURRENT_LIST_DIR}/include"
    INTERFACE_LINK_LIBRARIES "ws2_32;advapi32;shlwapi;crypt32;secur32;bcrypt")
endif()
CMAKE
echo "$stamp_text" >"$staged/$stamp_name"

rm -rf "$prefix"
mv "$staged" "$prefix"
ok=1
say "done: $prefix (mariadb $version, $arch)"
