#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs a tiny
# consumer against it, once through find_package(tavo) and once through
# pkg-config.  The prefix holds blanks, as Windows-style and user paths do:
# pkg-config escapes them, so its output is word-split by the shell as a
# Makefile's $(shell pkg-config ...) would be.
set -euo pipefail
build_dir=$1
consumer_src=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/tavo prefix"

cmake --install "$build_dir" --prefix "$prefix" >/dev/null
test -f "$prefix/include/tavo/tCString/tCString.h"
test -f "$prefix/include/tavo/common/common.h"

cmake -S "$consumer_src" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH="$prefix/lib:$prefix/lib/x86_64-linux-gnu" "$work/build/consumer"

libdir=$(ls -d "$prefix"/lib*/pkgconfig | head -n1)
export PKG_CONFIG_PATH=$libdir
flags=$(pkg-config --cflags --libs tavo)
eval "c++ -std=c++17 -o \"\$work/consumer_pc\" \"\$consumer_src/main.cpp\" $flags"
LD_LIBRARY_PATH="$(dirname "$libdir")" "$work/consumer_pc"
echo "install consumer: ok"
