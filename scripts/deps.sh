#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing.
# Usage: scripts/deps.sh build|test|bench|example|plot|windows|fuzz|coverage
#   build:   the compiler, CMake, pkg-config and the MySQL client library
#   test, bench, example: also a MariaDB server for the throwaway servers
#   of scripts/mariadb_server.sh (none is started by the package here); test
#   also what its fuzzing smoke run needs (fuzz)
#   fuzz:    clang 14 and its sanitizer and libFuzzer runtimes (scripts/fuzz.sh)
#   coverage: what the test suite needs, and gcovr (scripts/coverage.sh)
#   plot:    Google Benchmark and gnuplot for scripts/growth.sh
#   windows: the 32-bit Windows cross build and its tests: mingw-w64 (i686),
#   Wine with its 32-bit half (the i386 architecture is added to dpkg when
#   missing) and dpkg-dev for unpacking Debian source packages
set -euo pipefail

pkgs=(cmake g++ make pkg-config libmariadb-dev)
case "${1:-build}" in
  build) ;;
  test) pkgs+=(libgtest-dev zip unzip mariadb-server clang-14 libclang-rt-14-dev) ;;
  fuzz) pkgs+=(clang-14 libclang-rt-14-dev) ;;
  coverage) pkgs+=(libgtest-dev zip unzip mariadb-server gcovr) ;;
  bench) pkgs+=(libbenchmark-dev libinih-dev libssl-dev mariadb-server) ;;
  example) pkgs+=(mariadb-server) ;;
  plot) pkgs+=(libbenchmark-dev gnuplot-nox) ;;
  windows) pkgs+=(g++-mingw-w64-i686 wine wine32:i386 dpkg-dev xz-utils) ;;
  *) echo "usage: $0 build|test|bench|example|plot|windows|fuzz|coverage" >&2; exit 2 ;;
esac

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
echo "installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
# Wine's 32-bit half comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
