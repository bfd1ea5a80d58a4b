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
