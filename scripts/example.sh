#!/usr/bin/env bash
# The library's main job: builds libtavo (into lib/) and runs the example
# program, which logs in to a MariaDB server, writes a table in a
# transaction, reads it back and logs each step; then works a sentence with
# the string classes, enciphers a buffer, turns a password into its stored
# form and back, and shares a counter through named shared memory.  Installs
# missing Debian packages first, and configures only what it builds (the
# library and the examples: no tests, benchmarks or documentation).
#
#   scripts/example.sh                          a throwaway MariaDB server is
#                                               started for the run and removed
#                                               afterwards (nothing else needed)
#   scripts/example.sh SETTINGS.ini [LOGIN.ini] your own settings: [debug] and
#                                               [words] in SETTINGS.ini, the
#                                               [db] login in LOGIN.ini (default
#                                               SETTINGS.ini); paths relative to
#                                               examples/
#
# Ends with the full path of the log the example wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  scripts/deps.sh example
else
  scripts/deps.sh build
fi
# The release preset: the library (into lib/) and the examples only.
cmake --preset release >/dev/null
cmake --build --preset release -j"$(nproc)" --target tavo_example
cd examples
out=$(mktemp)
trap 'rm -f "$out"' EXIT
status=0
if [ $# -eq 0 ]; then
  # shellcheck disable=SC2016  # expanded by the inner shell, once the server is up
  ../scripts/with_mariadb.sh bash -c '../build/release/examples/tavo_example tavo_example.ini "$TAVO_DB_INI"' |
    tee "$out" || status=$?
else
  ../build/release/examples/tavo_example "$@" | tee "$out" || status=$?
fi
# The example names its log as the settings give it, usually relative to
# examples/; say where it is.
log=$(sed -n 's/^log written to //p' "$out" | tail -n 1)
if [ -n "$log" ]; then
  case $log in /*) ;; *) log="$PWD/$log" ;; esac
  echo "log: $log"
fi
exit "$status"
