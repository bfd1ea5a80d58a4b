#!/usr/bin/env bash
# Builds MariaDB Connector/C for 32-bit Windows (i686, mingw-w64) as a static
# library for the Windows build of libtavo, from the libmariadb/ directory of
# Debian's own mariadb source package (Debian 12 has no separate Connector/C
# source package).
#
#   scripts/mariadb_win.sh [PREFIX]     default PREFIX: build-win-deps/mariadb
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

# Seconds since a $EPOCHREALTIME reading, one decimal.
since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }'; }

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/.." && pwd)
self="$here/$(basename "$0")"
toolchain="$root/cmake/toolchain-i686-w64-mingw32.cmake"
deps_dir="$root/build-win-deps"
src_cache="$deps_dir/src"
prefix=${1:-$deps_dir/mariadb}
[ $# -le 1 ] || die "usage: $0 [PREFIX]"
case "$prefix" in /*) ;; *) prefix="$PWD/$prefix" ;; esac
prefix=${prefix%/}
[ -n "$prefix" ] || die "PREFIX must not be /"

"$here/deps.sh" windows || die "scripts/deps.sh windows failed"

# --- apt: the source package (scripts/deps.sh windows gave apt a deb-src
# entry and updated its lists when needed) ----------------------------------

# Prints the first source version apt knows for mariadb (none: empty).
mariadb_src_version() {
  apt-cache showsrc --only-source mariadb 2>/dev/null | sed -n 's/^Version: //p' | head -n 1
}

[ -n "$(mariadb_src_version)" ] || die "apt knows no source package mariadb; run
  scripts/deps.sh windows as root: it adds a deb-src entry
  (/etc/apt/sources.list.d/tavo-deb-src.sources) and updates apt's lists"

# --- the source package, and is PREFIX already built from it ---------------

# Picks the newest source version that is in the cache or can be downloaded
# into it: a mirror may list a version (a security update, say) whose files
# it does not serve, so older ones are tried in turn.
mkdir -p "$src_cache"
version="" orig="" from_cache=0
t0=$EPOCHREALTIME
while IFS= read -r v; do
  uris=$(apt-get source --print-uris --only-source "mariadb=$v" 2>/dev/null) || continue
  o=$(awk '$2 ~ /\.orig\.tar\.[a-z0-9]+$/ { print $2; exit }' <<<"$uris")
  [ -n "$o" ] || continue
  cached=1
  while read -r _ name size _; do
    [ "$(stat -c %s "$src_cache/$name" 2>/dev/null)" = "$size" ] || cached=0
  done < <(grep "^'" <<<"$uris")
  if [ "$cached" -eq 1 ]; then
    version=$v orig=$o from_cache=1
    break
  fi
  say "downloading the source package mariadb $v into $src_cache"
  if (cd "$src_cache" && apt-get source --download-only --only-source "mariadb=$v") \
       >"$src_cache/download.log" 2>&1; then
    version=$v orig=$o
    say "download: $(since "$t0") s"
    break
  fi
  say "mariadb $v could not be downloaded ($(grep -m1 '^E:' "$src_cache/download.log" || true)); trying an older version"
done < <(apt-cache showsrc --only-source mariadb | sed -n 's/^Version: //p' | sort -rVu)
[ -n "$version" ] || die "no version of the source package mariadb could be downloaded (see $src_cache/download.log)"
[ -f "$src_cache/$orig" ] || die "$src_cache/$orig missing"

stamp_name=.tavo-mariadb.stamp
stamp_text="source mariadb $version
script $(sha256sum <"$self" | cut -d' ' -f1)
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
say "building Connector/C from mariadb $version ($orig) into $prefix"
if [ "$from_cache" -eq 1 ]; then
  # apt checks the cached files against their hashes (fetching bad ones again).
  (cd "$src_cache" && apt-get source --download-only --only-source "mariadb=$version") \
    >"$src_cache/download.log" 2>&1 \
    || die "the cached source package failed its check (see $src_cache/download.log)"
fi

# --- extract libmariadb/ and patch it ---------------------------------------

work=$(mktemp -d "$deps_dir/mariadb-build.XXXXXX")
ok=0
trap 'if [ "$ok" -eq 1 ]; then rm -rf "$work"; else echo "mariadb_win.sh: build tree kept in $work" >&2; fi' EXIT

tar -xf "$src_cache/$orig" -C "$work" --wildcards 'mariadb-*/libmariadb/' \
  || die "extracting libmariadb/ from $orig failed"
src=$(echo "$work"/mariadb-*/libmariadb)
[ -f "$src/CMakeLists.txt" ] || die "no libmariadb/CMakeLists.txt in $orig"

# The variadic mysql_load_plugin is declared in mysql.h without STDCALL but
# defined with it; for i686 that is a different calling convention, and gcc
# stops with "conflicting types".  The definition loses the STDCALL.
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
t0=$EPOCHREALTIME
say "configuring (log: $build.configure.log)"
if ! nice -n 10 cmake -S "$src" -B "$build" \
     -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_BUILD_TYPE=Release \
     -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF -DWITH_SSL=SCHANNEL \
     -DCLIENT_PLUGIN_CLIENT_ED25519=STATIC -DCLIENT_PLUGIN_CACHING_SHA2_PASSWORD=STATIC \
     -DCLIENT_PLUGIN_SHA256_PASSWORD=STATIC -DCLIENT_PLUGIN_MYSQL_CLEAR_PASSWORD=STATIC \
     -DCLIENT_PLUGIN_PVIO_SHMEM=STATIC \
     -DCLIENT_PLUGIN_DIALOG=OFF -DCLIENT_PLUGIN_AUTH_GSSAPI_CLIENT=OFF \
     >"$build.configure.log" 2>&1; then
  tail -n 30 "$build.configure.log" >&2
  die "configure failed (log: $build.configure.log)"
fi
say "configure: $(since "$t0") s"

t0=$EPOCHREALTIME
say "building libmariadbclient.a (log: $build.build.log)"
if ! nice -n 10 cmake --build "$build" --target mariadbclient -j2 >"$build.build.log" 2>&1; then
  grep -E 'error|Error' "$build.build.log" | head -n 30 >&2
  die "build failed (log: $build.build.log)"
fi
say "build: $(since "$t0") s"

# --- install into a fresh tree, then put it in place whole ------------------

lib=$(find "$build" -name libmariadbclient.a -print -quit)
[ -n "$lib" ] || die "the build made no libmariadbclient.a"

staged="$prefix.new"
rm -rf "$staged"
mkdir -p "$staged/include/mysql" "$staged/include/mariadb" "$staged/lib"
cp "$lib" "$staged/lib/"
# The public headers, as Connector/C's own install lays them out.
for h in mysql.h mariadb_com.h mariadb_stmt.h ma_pvio.h ma_tls.h ma_list.h errmsg.h \
         mariadb_dyncol.h mariadb_ctype.h mariadb_rpl.h mysqld_error.h \
         mysql/client_plugin.h mysql/plugin_auth.h mariadb/ma_io.h; do
  cp "$src/include/$h" "$staged/include/$h" || die "header $h missing from the source"
done
cp "$build/include/mariadb_version.h" "$staged/include/" || die "generated mariadb_version.h missing"

cat >"$staged/tavo-mariadb.cmake" <<CMAKE
# MariaDB Connector/C $version for i686-w64-mingw32, static, made by
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
say "done: $prefix (mariadb $version)"
