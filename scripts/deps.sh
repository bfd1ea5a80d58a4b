#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing.
# Usage: scripts/deps.sh TASK...   (one or more of the tasks below)
#   build:   the compiler, CMake, pkg-config and the MySQL client library
#   test, bench, example: also a MariaDB server for the throwaway servers
#   of scripts/mariadb_server.sh (none is started by the package here); test
#   also what its fuzzing smoke run needs (as fuzz)
#   fuzz:    clang 14 and its sanitizer and libFuzzer runtimes (scripts/fuzz.sh)
#   coverage: gcovr (scripts/coverage.sh, which also needs test)
#   plot:    Google Benchmark and gnuplot for scripts/growth.sh
#   package: dpkg-dev (dpkg-shlibdeps computes the packages' dependencies)
#   and lintian, which checks them
#   doc:     Doxygen for scripts/doc.sh
#   abi:     abigail-tools (abidw, abidiff) for scripts/abi.sh
#   windows: the 32-bit Windows cross build and its tests: mingw-w64 (i686),
#   Wine with its 32-bit half (the i386 architecture is added to dpkg when
#   missing) and dpkg-dev for unpacking Debian source packages
set -euo pipefail

usage="usage: $0 TASK... (TASK: build|test|bench|example|plot|doc|abi|package|windows|fuzz|coverage)"
# Several tasks may be named at once: their packages are installed together,
# after a single apt-get update.
[ $# -ge 1 ] || set -- build
pkgs=(cmake g++ make pkg-config libmariadb-dev)
for task in "$@"; do
  case "$task" in
    build) ;;
    test) pkgs+=(libgtest-dev zip unzip mariadb-server clang-14 libclang-rt-14-dev) ;;
    fuzz) pkgs+=(clang-14 libclang-rt-14-dev) ;;
    coverage) pkgs+=(gcovr) ;;
    bench) pkgs+=(libbenchmark-dev libinih-dev libssl-dev mariadb-server) ;;
    example) pkgs+=(mariadb-server) ;;
    plot) pkgs+=(libbenchmark-dev gnuplot-nox) ;;
    doc) pkgs+=(doxygen) ;;
    abi) pkgs+=(abigail-tools) ;;
    package) pkgs+=(dpkg-dev lintian) ;;
    windows) pkgs+=(g++-mingw-w64-i686 wine wine32:i386 dpkg-dev xz-utils) ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done

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
