#!/usr/bin/env bash
# Exact-size growth over sizes: runs bench/growth_bench.cpp (tCString +=,
# tCString2 appends and tCFile::ReadLines beside std::string, std::vector and
# std::getline, 1 Ki to 4 Mi elements) in a Release build and in a build under
# AddressSanitizer, and draws time per element against size on log scales,
# library beside peer, into a PNG (CSV data in build/growth-plot/).
#
#   scripts/growth.sh [OUTPUT.png]     (default build/growth-plot/growth.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out="${1:-build/growth-plot/growth.png}"
scripts/deps.sh plot

build_and_run() {  # <build dir> <sanitize ON|OFF> <csv> <benchmark filter>
  cmake -S . -B "$1" -DCMAKE_BUILD_TYPE=Release -DTAVO_SANITIZE="$2" -DTAVO_BUILD_TESTS=OFF \
    -DTAVO_BUILD_BENCH=ON -DTAVO_BUILD_EXAMPLES=OFF -DTAVO_LIB_DIR="$PWD/$1/lib" >/dev/null
  cmake --build "$1" -j"$(nproc)" --target growth_bench >/dev/null
  ASAN_OPTIONS=detect_leaks=0 "$1/bench/growth_bench" --benchmark_format=csv \
    --benchmark_min_time=0.05 --benchmark_filter="$4" 2>/dev/null >"$3"
}

mkdir -p build/growth-plot
build_and_run build/growth OFF build/growth-plot/glibc.csv .
# The sanitizer's realloc always moves the block, so exact-size growth is
# quadratic there: its series stop at 64 Ki elements.
build_and_run build/growth-asan ON build/growth-plot/asan.csv '/(1024|4096|16384|65536)$'

# One data file per series: elements, nanoseconds per element.
for kind in glibc asan; do
  awk -F, -v dir=build/growth-plot -v kind="$kind" 'NR > 1 && $1 ~ /BM_Growth/ {
      gsub(/"/, "", $1); split($1, part, "/"); name = substr(part[1], 10);
      ns = $4; unit = $5; gsub(/"/, "", unit);
      if (unit == "us") ns *= 1000; else if (unit == "ms") ns *= 1000000; else if (unit == "s") ns *= 1e9;
      printf "%d %.6g\n", part[2], ns / part[2] > (dir "/" kind "_" name ".dat") }' "build/growth-plot/$kind.csv"
done

gnuplot <<PLOT
set terminal pngcairo size 1400,900 font ",10" noenhanced
set output "$out"
set logscale xy
set xlabel "elements"
set ylabel "ns per element"
set key top left
set grid
set multiplot layout 2,3 title "Exact-size growth: library (solid) beside peer (dashed); glibc above, AddressSanitizer below"
do for [kind in "glibc asan"] {
  set title kind." - tCString += char vs std::string::push_back"
  plot "build/growth-plot/".kind."_tCStringAppendChar.dat" w lp lw 2 t "tCString +=", \
       "build/growth-plot/".kind."_StdStringPushBack.dat" w lp dt 2 t "std::string"
  set title kind." - tCString2 += vs std::vector<std::string>::push_back"
  plot "build/growth-plot/".kind."_tCString2Append.dat" w lp lw 2 t "tCString2 +=", \
       "build/growth-plot/".kind."_StdVectorPushBack.dat" w lp dt 2 t "std::vector"
  set title kind." - tCFile::ReadLines vs std::getline"
  plot "build/growth-plot/".kind."_tCFileReadLines.dat" w lp lw 2 t "ReadLines", \
       "build/growth-plot/".kind."_StdGetline.dat" w lp dt 2 t "getline"
}
unset multiplot
PLOT
echo "wrote $out (data in build/growth-plot/)"
