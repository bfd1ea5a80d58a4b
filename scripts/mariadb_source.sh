# Shared by the scripts that build MariaDB Connector/C for Windows
# (scripts/mariadb_win.sh, scripts/mariadb_msvc.sh): fetches Debian's mariadb
# source package, whose libmariadb/ directory is Connector/C, into a cache
# directory.  Source it, then call
#
#   mariadb_source_fetch CACHE_DIR
#
# which sets mariadb_version (the Debian source version) and mariadb_orig
# (the upstream tarball's file name in CACHE_DIR), or returns 1 with a
# message on stderr.  apt must know the source package: scripts/deps.sh
# windows (or msvc) adds a deb-src entry and updates apt's lists.

# The Connector/C options of both Windows builds: TLS through Schannel, the
# login plugins MariaDB servers ask for linked in, no curl, no unit tests.
mariadb_build_options=(
  -DWITH_UNIT_TESTS=OFF -DWITH_CURL=OFF -DWITH_SSL=SCHANNEL
  -DCLIENT_PLUGIN_CLIENT_ED25519=STATIC -DCLIENT_PLUGIN_CACHING_SHA2_PASSWORD=STATIC
  -DCLIENT_PLUGIN_SHA256_PASSWORD=STATIC -DCLIENT_PLUGIN_MYSQL_CLEAR_PASSWORD=STATIC
  -DCLIENT_PLUGIN_PVIO_SHMEM=STATIC
  -DCLIENT_PLUGIN_DIALOG=OFF -DCLIENT_PLUGIN_AUTH_GSSAPI_CLIENT=OFF
)

# Copies Connector/C's public headers from its source SRC and its build
# BUILD into STAGED/include, laid out as its own install lays them out.
# Returns 1 with a message when one is missing.
mariadb_stage_headers() {
  local src=$1 build=$2 staged=$3 h
  mkdir -p "$staged/include/mysql" "$staged/include/mariadb"
  for h in mysql.h mariadb_com.h mariadb_stmt.h ma_pvio.h ma_tls.h ma_list.h errmsg.h \
           mariadb_dyncol.h mariadb_ctype.h mariadb_rpl.h mysqld_error.h \
           mysql/client_plugin.h mysql/plugin_auth.h mariadb/ma_io.h; do
    cp "$src/include/$h" "$staged/include/$h" || { echo "header $h missing from the source" >&2; return 1; }
  done
  cp "$build/include/mariadb_version.h" "$staged/include/" ||
    { echo "generated mariadb_version.h missing" >&2; return 1; }
}

# Configures Connector/C's source SRC in BUILD (Release, the options above
# and the extra cmake arguments given), builds its static library, whose
# file is named LIBNAME, and stages it with the public headers in a fresh
# STAGED (lib/, include/).  The logs are BUILD.configure.log and
# BUILD.build.log.  Reports through the sourcing script's say and die.
#   mariadb_build_static SRC BUILD STAGED LIBNAME [CMAKE_ARG...]
mariadb_build_static() {
  local src=$1 build=$2 staged=$3 libname=$4 t0 lib
  shift 4
  t0=$EPOCHREALTIME
  say "configuring (log: $build.configure.log)"
  if ! nice -n 10 cmake "$@" -S "$src" -B "$build" -DCMAKE_BUILD_TYPE=Release "${mariadb_build_options[@]}" \
       >"$build.configure.log" 2>&1; then
    tail -n 30 "$build.configure.log" >&2
    die "configure failed (log: $build.configure.log)"
  fi
  say "configure: $(mariadb_source_since "$t0") s"

  t0=$EPOCHREALTIME
  say "building $libname (log: $build.build.log)"
  if ! nice -n 10 cmake --build "$build" --target mariadbclient -j2 >"$build.build.log" 2>&1; then
    grep -E 'error|Error' "$build.build.log" | head -n 30 >&2
    die "build failed (log: $build.build.log)"
  fi
  say "build: $(mariadb_source_since "$t0") s"
  lib=$(find "$build" -name "$libname" -print -quit)
  [ -n "$lib" ] || die "the build made no $libname"

  rm -rf "$staged"
  mkdir -p "$staged/lib"
  cp "$lib" "$staged/lib/"
  mariadb_stage_headers "$src" "$build" "$staged" || die "staging the headers failed"
}

# Seconds since a $EPOCHREALTIME reading, one decimal.
mariadb_source_since() { awk -v a="$1" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.1f", b - a }'; }

mariadb_source_fetch() {
  local cache=$1 v o uris cached name size t0 from_cache=0
  mariadb_version="" mariadb_orig=""
  if [ -z "$(apt-cache showsrc --only-source mariadb 2>/dev/null | sed -n 's/^Version: //p' | head -n 1)" ]; then
    echo "apt knows no source package mariadb; run scripts/deps.sh windows as root:
  it adds a deb-src entry (/etc/apt/sources.list.d/tavo-deb-src.sources) and
  updates apt's lists" >&2
    return 1
  fi
  mkdir -p "$cache"
  t0=$EPOCHREALTIME
  # The newest version that is cached or can be downloaded: a mirror may list
  # a version (a security update, say) whose files it does not serve.
  while IFS= read -r v; do
    uris=$(apt-get source --print-uris --only-source "mariadb=$v" 2>/dev/null) || continue
    o=$(awk '$2 ~ /\.orig\.tar\.[a-z0-9]+$/ { print $2; exit }' <<<"$uris")
    [ -n "$o" ] || continue
    cached=1
    while read -r _ name size _; do
      [ "$(stat -c %s "$cache/$name" 2>/dev/null)" = "$size" ] || cached=0
    done < <(grep "^'" <<<"$uris")
    if [ "$cached" -eq 1 ]; then
      mariadb_version=$v mariadb_orig=$o from_cache=1
      break
    fi
    echo "downloading the source package mariadb $v into $cache"
    if (cd "$cache" && apt-get source --download-only --only-source "mariadb=$v") \
         >"$cache/download.log" 2>&1; then
      mariadb_version=$v mariadb_orig=$o
      echo "download: $(mariadb_source_since "$t0") s"
      break
    fi
    echo "mariadb $v could not be downloaded ($(grep -m1 '^E:' "$cache/download.log" || true)); trying an older version"
  done < <(apt-cache showsrc --only-source mariadb | sed -n 's/^Version: //p' | sort -rVu)
  if [ -z "$mariadb_version" ]; then
    echo "no version of the source package mariadb could be downloaded (see $cache/download.log)" >&2
    return 1
  fi
  [ -f "$cache/$mariadb_orig" ] || { echo "$cache/$mariadb_orig missing" >&2; return 1; }
  mariadb_source_from_cache=$from_cache
}

# Checks the cached files against their hashes (apt fetches bad ones again);
# call before extracting from a cached package.
mariadb_source_verify() {
  local cache=$1
  (cd "$cache" && apt-get source --download-only --only-source "mariadb=$mariadb_version") \
    >"$cache/download.log" 2>&1
}

# Extracts libmariadb/ of the fetched package into DIR and prints its path.
mariadb_source_extract() {
  local cache=$1 dir=$2 src
  tar -xf "$cache/$mariadb_orig" -C "$dir" --wildcards 'mariadb-*/libmariadb/' || return 1
  src=$(echo "$dir"/mariadb-*/libmariadb)
  [ -f "$src/CMakeLists.txt" ] || return 1
  echo "$src"
}
