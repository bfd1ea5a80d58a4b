#!/usr/bin/env bash
# Installs the Debian packages a task needs, only those that are missing.
# Usage: scripts/deps.sh TASK...   (one or more of the tasks below)
#   build:   the compiler, CMake, pkg-config and the MySQL client library
#   test, bench, example: also a MariaDB server for the throwaway servers
#   of scripts/mariadb_server.sh (none is started by the package here)
#   fuzz:    clang 14 and its sanitizer and libFuzzer runtimes (scripts/fuzz.sh)
#   coverage: gcovr (scripts/coverage.sh, which also needs test)
#   plot:    gnuplot and what the benchmark build needs, for scripts/growth.sh
#   package: dpkg-dev (dpkg-shlibdeps computes the packages' dependencies)
#   and lintian, which checks them
#   doc:     Doxygen for scripts/doc.sh
#   abi:     abigail-tools (abidw, abidiff) for scripts/abi.sh
#   windows: the 32- and 64-bit Windows cross builds and their tests:
#   mingw-w64 (i686 and x86_64), Wine with its 32-bit half (the i386
#   architecture is added to dpkg when missing; GnuTLS, which Wine's Schannel
#   loads, is only a recommendation of Wine's) and its 64-bit half (wine64,
#   which runs 64-bit programs on every x86-64 host), dpkg-dev for unpacking
#   Debian source packages and openssl for the certificate of a TLS test
#   server; and apt's access to the mariadb source package (scripts/deb_src.sh)
#   msvc:    the Visual C++-mode builds of the Windows DLL: clang 14, lld
#   (lld-link) and LLVM 14 (llvm-lib, llvm-dlltool), what the windows task
#   brings (mingw-w64's i686 and x86_64 import libraries, both halves of
#   Wine to run the results, the mariadb source package) and apt's lists,
#   from which scripts/msvc_sdk.sh unpacks Wine's headers (libwine-dev,
#   downloaded, not installed)
#   format:  clang-format 14 (scripts/format.sh) and clang-tidy 14, which
#   checks the naming rule (scripts/names.sh)
#   fresh:   debootstrap and git, for trying a command in a fresh Debian 12
#   root (scripts/fresh_example.sh)
set -euo pipefail

usage="usage: $0 TASK... (TASK: build|test|bench|example|plot|doc|abi|package|windows|msvc|fuzz|coverage|format|fresh)"
# Several tasks may be named at once: their packages are installed together,
# after a single apt-get update.
[ $# -ge 1 ] || set -- build
pkgs=(cmake g++ make pkg-config libmariadb-dev)
sources=()  # Debian source packages a task fetches with apt-get source
for task in "$@"; do
  case "$task" in
    build) ;;
    test) pkgs+=(libgtest-dev zip unzip mariadb-server) ;;
    fuzz) pkgs+=(clang-14 libclang-rt-14-dev) ;;
    format) pkgs+=(clang-format-14 clang-tidy-14) ;;
    coverage) pkgs+=(gcovr) ;;
    bench) pkgs+=(libbenchmark-dev libinih-dev libssl-dev mariadb-server) ;;
    example) pkgs+=(mariadb-server) ;;
    plot) pkgs+=(libbenchmark-dev libinih-dev libssl-dev gnuplot-nox) ;;
    doc) pkgs+=(doxygen) ;;
    fresh) pkgs+=(debootstrap git) ;;
    abi) pkgs+=(abigail-tools) ;;
    package) pkgs+=(dpkg-dev lintian) ;;
    windows) pkgs+=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 googletest wine wine32:i386 libgnutls30:i386
        wine64 dpkg-dev xz-utils openssl)
      sources+=(mariadb) ;;
    msvc) pkgs+=(clang-14 lld-14 llvm-14 g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386
        libgnutls30:i386 wine64 dpkg-dev xz-utils)
      sources+=(mariadb) ;;
    *) echo "$usage" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${pkgs[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
# A source package needs a deb-src entry in apt's sources (added as root by
# deb_src.sh when there is none); apt's lists then take the same single
# update as the packages.
refresh=0
for src in "${sources[@]}"; do
  status=0
  "$(dirname "$0")/deb_src.sh" "$src" || status=$?
  case $status in
    0) ;;
    10) refresh=1 ;;
    *) exit 1 ;;
  esac
done
[ ${#missing[@]} -eq 0 ] && [ $refresh -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing Debian packages: ${missing[*]} (run as root to install them)" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
# Wine's 32-bit half comes from the i386 architecture.
if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
