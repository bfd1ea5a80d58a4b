#!/usr/bin/env bash
# Builds the reference documentation (Doxygen over the public headers) into
# BUILD_DIR/doc/html.  Any Doxygen warning -- an undocumented public call,
# parameter or result, or a comment it cannot parse -- is printed and fails
# the command.
#
#   scripts/doc.sh [BUILD_DIR]        # default: build/default
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/default}
scripts/deps.sh doc
cmake -S . -B "$build" -DTAVO_BUILD_DOCS=ON >/dev/null
if ! cmake --build "$build" --target doc; then
  echo "doc: Doxygen reported the problems above; the documentation is incomplete" >&2
  exit 1
fi
echo "doc: $build/doc/html/index.html"
