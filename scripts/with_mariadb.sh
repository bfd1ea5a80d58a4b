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
mkdir -p "$dir/scratch"
if [ "$(id -u)" -eq 0 ]; then chown mysql:mysql "$dir/scratch"; fi
export TAVO_DB_INI="$dir/tavo_db.ini"
export TAVO_DB_SCRATCH="$dir/scratch"
"$@"
