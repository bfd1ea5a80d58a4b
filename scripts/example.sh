#!/usr/bin/env bash
# The library's main job: builds libtavo (into lib/) and runs the example
# program, which logs in to a MariaDB server, writes a table in a
# transaction, reads it back and logs each step.  Installs missing Debian
# packages first.
#
#   scripts/example.sh                          a throwaway MariaDB server is
#                                               started for the run and removed
#                                               afterwards (nothing else needed)
#   scripts/example.sh SETTINGS.ini [LOGIN.ini] your own settings: [debug] and
#                                               [words] in SETTINGS.ini, the
#                                               [db] login in LOGIN.ini (default
#                                               SETTINGS.ini); paths relative to
#                                               examples/
set -euo pipefail
cd "$(dirname "$0")/.."
if [ $# -eq 0 ]; then
  scripts/deps.sh example
else
  scripts/deps.sh build
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target tavo_example
cd examples
if [ $# -eq 0 ]; then
  # shellcheck disable=SC2016  # expanded by the inner shell, once the server is up
  exec ../scripts/with_mariadb.sh bash -c '../build/examples/tavo_example tavo_example.ini "$TAVO_DB_INI"'
fi
exec ../build/examples/tavo_example "$@"
