#!/usr/bin/env bash
# Builds the Debian packages libtavo2 and libtavo-dev (CPack) into
# build/pkg/ from a Release build installed under /usr.
#
#   scripts/package.sh [--allow-dirty]
#
# A tree with uncommitted changes is refused, so that a package always
# stands for a commit; --allow-dirty builds it anyway for a local test, with
# the package version marked "+dirty".  Prints the paths of the packages.
set -euo pipefail
cd "$(dirname "$0")/.."
allow_dirty=0
case "${1:-}" in
  "") ;;
  --allow-dirty) allow_dirty=1 ;;
  *) echo "usage: $0 [--allow-dirty]" >&2; exit 2 ;;
esac
scripts/deps.sh package

suffix=""
if git rev-parse --git-dir >/dev/null 2>&1; then
  changes=$(git status --porcelain --untracked-files=normal)
  if [ -n "$changes" ]; then
    if [ $allow_dirty -eq 0 ]; then
      echo "package: refusing to package a tree with uncommitted changes:" >&2
      echo "$changes" | sed 's/^/  /' >&2
      echo "package: commit or stash them (or pass --allow-dirty for a local test build)" >&2
      exit 1
    fi
    suffix="+dirty"
  fi
fi

out=build/pkg
rm -rf "$out/_CPack_Packages" "$out"/*.deb
cmake -S . -B "$out" -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DTAVO_BUILD_TESTS=OFF -DTAVO_BUILD_EXAMPLES=OFF -DTAVO_BUILD_DOCS=OFF \
  -DTAVO_LIB_DIR="$PWD/$out/lib" -DTAVO_PACKAGE_VERSION_SUFFIX="$suffix" >/dev/null
cmake --build "$out" -j"$(nproc)" >&2
(cd "$out" && cpack -G DEB >/dev/null)
debs=("$out"/*.deb)
if [ ${#debs[@]} -ne 2 ] || [ ! -f "${debs[0]}" ]; then
  echo "package: expected two packages in $out, found: ${debs[*]}" >&2
  exit 1
fi
printf '%s\n' "${debs[@]}"
