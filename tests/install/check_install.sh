#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs a tiny
# consumer against it, once through find_package(tavo) and once through
# pkg-config.
set -euo pipefail
build_dir=$1
consumer_src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cmake --install "$build_dir" --prefix "$work/prefix" >/dev/null
test -f "$work/prefix/include/tavo/tCString/tCString.h"
test -f "$work/prefix/include/tavo/common/common.h"

cmake -S "$consumer_src" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib:$work/prefix/lib/x86_64-linux-gnu" "$work/build/consumer"

libdir=$(ls -d "$work"/prefix/lib*/pkgconfig | head -n1)
export PKG_CONFIG_PATH=$libdir
# shellcheck disable=SC2046
c++ -std=c++17 -o "$work/consumer_pc" "$consumer_src/main.cpp" $(pkg-config --cflags --libs tavo)
LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/consumer_pc"
echo "install consumer: ok"
