#!/usr/bin/env bash
# The throwaway-server scripts under attack and under signals:
#   - scripts/with_mariadb.sh acts on a SIGTERM sent to it alone at once:
#     its command is ended, and the server and its folder go, within
#     seconds (not when the command would have ended);
#   - everything scripts/mariadb_server.sh writes is the caller's alone
#     (umask 077): the folder and the login file with the password are
#     neither group- nor world-readable;
#   - run as root, root's own files stay in a folder root owns, and only
#     the server's folder belongs to the server's user.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d /tmp/tavo_srvcheck.XXXXXX)
trap 'rm -rf "$work"' EXIT
fail() { echo "check_throwaway_server: $*" >&2; exit 1; }

"$root/scripts/with_mariadb.sh" bash -c 'echo "$TAVO_DB_INI" >"$1/ini"; exec sleep 300' _ "$work" \
  >"$work/out" 2>&1 &
wrapper=$!
for _ in $(seq 1 300); do [ -s "$work/ini" ] && break; sleep 0.1; done
[ -s "$work/ini" ] || { cat "$work/out" >&2; fail "the server did not come up"; }
ini=$(cat "$work/ini")
dir=$(dirname "$ini")
server=$(cat "$dir/tavo_server.pid")

mode() { stat -c %a "$1"; }
[ $(( 8#$(mode "$dir") & 8#066 )) -eq 0 ] || fail "$dir is readable by others ($(mode "$dir"))"
[ "$(mode "$ini")" = 600 ] || fail "$ini has mode $(mode "$ini"), not 600"
if [ "$(id -u)" -eq 0 ]; then
  [ "$(stat -c %U "$dir")" = root ] || fail "$dir, where root writes, belongs to $(stat -c %U "$dir")"
  [ "$(stat -c %U "$dir/server")" = mysql ] || fail "the server's folder is not the server user's"
  for f in tavo_db.ini tavo_server.pid port; do
    [ "$(stat -c %U "$dir/$f")" = root ] || fail "$dir/$f is not root's"
  done
fi

start=$(date +%s)
kill -TERM "$wrapper"
status=0
wait "$wrapper" || status=$?
took=$(( $(date +%s) - start ))
[ "$status" -eq 143 ] || fail "with_mariadb.sh exited with $status after SIGTERM, not 143"
[ "$took" -le 20 ] || fail "with_mariadb.sh took ${took}s to act on SIGTERM"
[ ! -e "$dir" ] || fail "$dir is left behind"
# Gone, or a zombie its parent has yet to reap.
if stat_line=$(cat "/proc/$server/stat" 2>/dev/null) && [[ $stat_line == *"(mariadbd) "[^Z]* ]]; then
  fail "the server (pid $server) is still running"
fi
echo "check_throwaway_server: ok (SIGTERM acted on in ${took}s)"
