#!/usr/bin/env bash
# Installs the build tree into a scratch prefix, then builds and runs a tiny
# consumer against it, once through find_package(tavo) and once through
# pkg-config; and the README's quick start program the README's ways: CMake
# (with a compiler told to use C++11, which the imported target raises to
# the C++17 the headers need) and the pkg-config line with its run-time
# path, run without LD_LIBRARY_PATH, while pkg-config sees nothing but the
# installed tavo.pc (as on a machine without libmariadb-dev).  The prefix holds blanks, as Windows-style and user paths do:
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

quick_src="$consumer_src/../../../examples/quickstart"
expected=$'apple\nfig\npear\ncannot open: No such file or directory'
cmake -S "$quick_src" -B "$work/quick" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_FLAGS="-std=c++11 -pedantic-errors" >/dev/null
cmake --build "$work/quick" >/dev/null
[ "$("$work/quick/quickstart")" = "$expected" ] || { echo "quick start (CMake): wrong output" >&2; exit 1; }
# pkg-config escapes the blank of the prefix; eval reads it as a shell would.
flags=$(PKG_CONFIG_LIBDIR=$libdir pkg-config --cflags --libs tavo)
rpath=$(PKG_CONFIG_LIBDIR=$libdir pkg-config --variable=libdir tavo)
eval "c++ -std=c++17 \"\$quick_src/quickstart.cpp\" -o \"\$work/quickstart_pc\" $flags -Wl,-rpath,$rpath"
quick_pc=$(env -u LD_LIBRARY_PATH "$work/quickstart_pc")
[ "$quick_pc" = "$expected" ] || { echo "quick start (pkg-config): wrong output: $quick_pc" >&2; exit 1; }
echo "install consumer: ok"
