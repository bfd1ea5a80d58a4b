#!/usr/bin/env bash
# Runs a command beside a throwaway MariaDB server (scripts/mariadb_server.sh)
# and removes the server afterwards, whatever the command's outcome (also on
# Ctrl-C or a termination signal).  The command finds the server's settings
# through TAVO_DB_INI (an INI file for get_login_com, section [db], with Port
# and Socket beside the four login keys); servers it starts itself under
# TAVO_DB_SCRATCH are stopped with it.  Exits with the command's status.
#
#   scripts/with_mariadb.sh COMMAND [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }

dir=$(mktemp -d /tmp/tavo_mariadb.XXXXXX)
trap '"$here/mariadb_server.sh" stop "$dir"' EXIT
trap 'exit 129' HUP
trap 'exit 130' INT
trap 'exit 143' TERM
"$here/mariadb_server.sh" start "$dir"
# Servers the command starts itself go here (each in a folder of its own,
# which the server script opens to the server's user as it needs).
mkdir -m 0711 "$dir/scratch"
export TAVO_DB_INI="$dir/tavo_db.ini"
export TAVO_DB_SCRATCH="$dir/scratch"
# The command runs in the background and is waited for, so that a signal
# sent to this script alone is acted on at once (bash runs a trap only when
# its foreground command ends): the command is told too, and the server
# and its folder go.  Its standard input stays this script's.
exec 3<&0
"$@" <&3 3<&- &
child=$!
exec 3<&-
for sig in HUP INT TERM; do
  # shellcheck disable=SC2064  # the child's pid is fixed now
  trap "kill -$sig $child 2>/dev/null; exit \$(( 128 + \$(kill -l $sig) ))" "$sig"
done
status=0
wait "$child" || status=$?
exit "$status"
