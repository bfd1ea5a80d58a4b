#!/usr/bin/env bash
# The library's main job: builds libtavo (into lib/) and runs the example
# program.  Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tavo_example
cd examples
../build/examples/tavo_example "$@"
