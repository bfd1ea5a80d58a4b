# Shared by the scripts that build MariaDB Connector/C for Windows
# (scripts/mariadb_win.sh, scripts/mariadb_msvc.sh): what needs apt (the
# source package) and the shell (the up-to-date check, a kept build tree);
# the configure, build and install are cmake/mariadb/build.cmake's.  Source
# it, then:
#
#   mariadb_source_fetch CACHE_DIR
#       sets mariadb_version (the Debian source version) and mariadb_orig
#       (the upstream tarball's file name in CACHE_DIR), or returns 1 with a
#       message on stderr.  apt must know the source package: scripts/deps.sh
#       windows (or msvc) adds a deb-src entry and updates apt's lists.
#   mariadb_stamp TARGET FILE...
#       prints the stamp of a build for TARGET from the fetched version
#       and the files it is made with
#   mariadb_prefix_current PREFIX STAMP RESULT...
#       true when PREFIX holds that stamp and every RESULT file
#   mariadb_build CACHE_DIR TARGET PREFIX WORK_PARENT STAMP [CMAKE_ARG...]
#       checks a cached package, extracts libmariadb/ into a fresh directory
#       in WORK_PARENT and runs cmake/mariadb/build.cmake for TARGET into
#       PREFIX; that directory is removed after a good build and kept after
#       a failed one.  Reports through the sourcing script's say and die.

mariadb_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

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

mariadb_stamp() {
  local target=$1
  shift
  echo "source mariadb $mariadb_version"
  echo "target $target"
  echo "files $(cat "$mariadb_root/scripts/mariadb_source.sh" "$mariadb_root"/cmake/mariadb/* "$@" |
    sha256sum | cut -d' ' -f1)"
}

mariadb_prefix_current() {
  local prefix=$1 stamp=$2 f
  shift 2
  [ -f "$prefix/.tavo-mariadb.stamp" ] && [ "$(cat "$prefix/.tavo-mariadb.stamp")" = "$stamp" ] || return 1
  for f in "$@"; do
    [ -f "$prefix/$f" ] || return 1
  done
}

mariadb_build() {
  local cache=$1 target=$2 prefix=$3 parent=$4 stamp=$5 src
  shift 5
  if [ "$mariadb_source_from_cache" -eq 1 ]; then
    mariadb_source_verify "$cache" \
      || die "the cached source package failed its check (see $cache/download.log)"
  fi
  mkdir -p "$parent"
  mariadb_work=$(mktemp -d "$parent/mariadb-$target-build.XXXXXX")
  mariadb_built=0
  trap 'if [ "$mariadb_built" -eq 1 ]; then rm -rf "$mariadb_work"; else
          echo "$(basename "$0"): build tree kept in $mariadb_work" >&2; fi' EXIT
  src=$(mariadb_source_extract "$cache" "$mariadb_work") \
    || die "extracting libmariadb/ from $mariadb_orig failed"
  nice -n 10 cmake -DSRC="$src" -DBUILD="$mariadb_work/build" -DPREFIX="$prefix" -DTARGET="$target" \
    -DVERSION="$mariadb_version" -DSTAMP="$stamp" "$@" -P "$mariadb_root/cmake/mariadb/build.cmake" \
    || die "building Connector/C for $target failed"
  mariadb_built=1
}
