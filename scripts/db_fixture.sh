#!/usr/bin/env bash
# The throwaway MariaDB server as a ctest fixture (cmake/tavo_db_fixture.cmake):
# the setup test starts it before the first test that logs in to a
# database, the cleanup test stops it after the last, and the tests find it
# through BUILD/tavo_db.ini (TAVO_DB_INI, set on them by the build).
#
#   scripts/db_fixture.sh setup BUILD     a server of its own in a new private
#       folder under /tmp (scripts/mariadb_server.sh; the server's user must
#       reach it, which a build folder in a home directory may not allow),
#       its login copied to BUILD/tavo_db.ini with Scratch= naming a folder
#       beside it for servers the tests start themselves; with TAVO_DB_INI
#       already set, that server's settings are copied instead and nothing
#       is started.  A watcher stops the server when ctest (the caller) ends,
#       so an interrupted run leaves nothing running either.
#   scripts/db_fixture.sh cleanup BUILD   stops the server (nested ones too)
#       and removes its folder, the watcher and the copied settings
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -eq 2 ] || { echo "usage: $0 setup|cleanup BUILD" >&2; exit 2; }
cmd=$1
build=$2
ini="$build/tavo_db.ini"
record="$build/tavo_db.run"   # the server's folder and the watcher's pid
umask 077

# Stops what the record names: the watcher, then the server and its folder.
stop_recorded() {
  local dir="" watcher=""
  [ -f "$record" ] || return 0
  { read -r dir; read -r watcher; } <"$record" || true
  [ -z "$watcher" ] || kill "$watcher" 2>/dev/null || true
  case "$dir" in /tmp/tavo_mariadb.*) "$here/mariadb_server.sh" stop "$dir" ;; esac
  rm -f "$record" "$ini"
}

case "$cmd" in
  setup)
    stop_recorded   # what an interrupted run left behind
    if [ -n "${TAVO_DB_INI:-}" ]; then
      [ -f "$TAVO_DB_INI" ] || { echo "TAVO_DB_INI names no file: $TAVO_DB_INI" >&2; exit 1; }
      cp "$TAVO_DB_INI" "$ini"
      [ -z "${TAVO_DB_SCRATCH:-}" ] || printf 'Scratch=%s\n' "$TAVO_DB_SCRATCH" >>"$ini"
      printf 'external\n\n' >"$record"
      echo "database tests use the server of $TAVO_DB_INI"
      exit 0
    fi
    dir=$(mktemp -d /tmp/tavo_mariadb.XXXXXX)
    printf '%s\n\n' "$dir" >"$record"
    if ! "$here/mariadb_server.sh" start "$dir"; then
      stop_recorded
      exit 1
    fi
    mkdir -m 0711 "$dir/scratch"
    cp "$dir/tavo_db.ini" "$ini"
    printf 'Scratch=%s\n' "$dir/scratch" >>"$ini"
    # The watcher: when ctest is gone, interrupted or not, so is the server.
    ctest_pid=$PPID
    setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 1; done; "$2/mariadb_server.sh" stop "$3"' \
      watcher "$ctest_pid" "$here" "$dir" </dev/null >/dev/null 2>&1 &
    printf '%s\n%s\n' "$dir" "$!" >"$record"
    ;;
  cleanup)
    stop_recorded
    ;;
  *)
    echo "usage: $0 setup|cleanup BUILD" >&2
    exit 2
    ;;
esac
