#!/usr/bin/env bash
# Checks the Debian packages of scripts/package.sh:
#   - a tree with uncommitted changes is refused with a message (in a scratch
#     clone, when this is a git checkout);
#   - lintian reports no error on either package;
#   - both install with dpkg -i into a scratch root whose package database is
#     a copy of this machine's, so that their dependencies (libtavo-dev on
#     libtavo2 of the same version, libtavo2 on the MariaDB client library,
#     ...) are checked against what is really installed; the machine itself
#     is not touched;
#   - a consumer builds and runs against the installed copy through
#     find_package(tavo) and through pkg-config tavo, the latter also with
#     nothing but tavo.pc visible to pkg-config (no libmariadb-dev).
set -euo pipefail
root_dir=$(cd "$(dirname "$0")/../.." && pwd)
cd "$root_dir"
work=$(mktemp -d /tmp/tavo_pkg.XXXXXX)
trap 'rm -rf "$work"' EXIT

if git rev-parse --git-dir >/dev/null 2>&1; then
  git clone -q "$root_dir" "$work/clone"
  echo "scratch" >"$work/clone/uncommitted.txt"
  if "$work/clone/scripts/package.sh" >"$work/dirty.out" 2>&1; then
    echo "check_packages: a dirty tree was packaged" >&2; exit 1
  fi
  grep -q "refusing to package a tree with uncommitted changes" "$work/dirty.out" ||
    { cat "$work/dirty.out" >&2; echo "check_packages: no clear refusal" >&2; exit 1; }
  rm -rf "$work/clone"
fi

dirty=()
if git rev-parse --git-dir >/dev/null 2>&1 && [ -n "$(git status --porcelain)" ]; then
  dirty=(--allow-dirty)
fi
mapfile -t debs < <(scripts/package.sh "${dirty[@]}")
echo "packages: ${debs[*]}"

if command -v lintian >/dev/null; then
  lintian --tag-display-limit 0 "${debs[@]}" 2>&1 | tee "$work/lintian.out" | grep -v '^running with root' || true
  if grep -q '^E: ' "$work/lintian.out"; then
    echo "check_packages: lintian reports errors" >&2; exit 1
  fi
fi

# A scratch root with a copy of this machine's package database.
r="$work/root"
mkdir -p "$r/var/lib/dpkg/info" "$r/var/lib/dpkg/updates" "$r/var/lib/dpkg/triggers"
cp /var/lib/dpkg/status "$r/var/lib/dpkg/status"
: >"$r/var/lib/dpkg/available"
force=(--force-script-chrootless)
if [ "$(id -u)" -ne 0 ]; then force+=(--force-not-root); fi
dpkg --root="$r" "${force[@]}" -i "${debs[@]}" >"$work/dpkg.out" 2>&1 ||
  { cat "$work/dpkg.out" >&2; echo "check_packages: dpkg -i failed" >&2; exit 1; }
dpkg --root="$r" -s libtavo2 libtavo-dev | grep -q '^Status: install ok installed'

multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir="$r/usr/lib/$multiarch"
test -L "$libdir/libtavo.so" && test -f "$r/usr/include/tavo/common/common.h"

consumer="$root_dir/tests/install/consumer"
cmake -S "$consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$r/usr" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/build/consumer"
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/consumer_pc" "$consumer/main.cpp" \
  $(PKG_CONFIG_PATH="$libdir/pkgconfig" pkg-config --cflags --libs tavo)
LD_LIBRARY_PATH="$libdir" "$work/consumer_pc"
# On a machine without libmariadb-dev: pkg-config sees only the package's
# own tavo.pc.
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/consumer_alone" "$consumer/main.cpp" \
  $(PKG_CONFIG_LIBDIR="$libdir/pkgconfig" pkg-config --cflags --libs tavo)
LD_LIBRARY_PATH="$libdir" "$work/consumer_alone"
echo "packages: ok"
