#!/usr/bin/env bash
# Builds MariaDB Connector/C for Windows with mingw-w64, 32-bit (i686) or
# 64-bit (x86_64), as a static library for the Windows builds of libtavo,
# from the libmariadb/ directory of Debian's own mariadb source package
# (Debian 12 has no separate Connector/C source package).
#
#   scripts/mariadb_win.sh [ARCH] [PREFIX]
#       ARCH: i686 (default) or x86_64
#       default PREFIX: build/deps/win/mariadb (i686),
#                       build/deps/win/mariadb-x86_64 (x86_64)
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
# source package is kept in build/deps/win/src and reused.  A second run with
# the same source version, scripts, cmake/mariadb/ files and toolchain file
# does nothing (the stamp PREFIX/.tavo-mariadb.stamp); otherwise PREFIX is
# rebuilt and replaced whole, never left half-made, and only when this build
# made it.  The build tree of a failed run is kept for a look.
#
# This script fetches the source (scripts/mariadb_source.sh, through apt);
# the configure, build and install are cmake/mariadb/build.cmake's (target
# mingw-ARCH), which writes tavo-mariadb.cmake from
# cmake/mariadb/tavo-mariadb.cmake.in.
set -euo pipefail

say() { echo "mariadb_win.sh: $*"; }
die() { echo "mariadb_win.sh: error: $*" >&2; exit 1; }

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
self="$here/$(basename "$0")"
deps_dir="$root/build/deps/win"
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

# shellcheck source=scripts/mariadb_source.sh
. "$here/mariadb_source.sh"
mariadb_source_fetch "$src_cache" || die "fetching the mariadb source package failed"
stamp=$(mariadb_stamp "mingw-$arch" "$self" "$toolchain" "$root/cmake/mingw/toolchain.cmake" "$root/cmake/windows_cross.cmake")
if mariadb_prefix_current "$prefix" "$stamp" lib/libmariadbclient.a include/mysql.h tavo-mariadb.cmake; then
  say "up to date: $prefix (mariadb $mariadb_version)"
  exit 0
fi
say "building Connector/C from mariadb $mariadb_version ($mariadb_orig) for $arch into $prefix"
mariadb_build "$src_cache" "mingw-$arch" "$prefix" "$deps_dir" "$stamp"
say "done: $prefix (mariadb $mariadb_version, $arch)"
