#!/usr/bin/env bash
# Builds Connector/C for 32-bit Windows (scripts/mariadb_win.sh), cross-builds
# mariadb_smoke.exe against it through tavo-mariadb.cmake, shows that the exe
# imports only system DLLs, and runs it under Wine against a throwaway native
# MariaDB on 127.0.0.1 (scripts/with_mariadb.sh; with TAVO_DB_INI already set,
# that server is used):
#   - as the test user (the server's default authentication);
#   - as a user identified via ed25519, when run as root (the user is made
#     through the server's socket), so the built-in client_ed25519 plugin
#     really authenticates.
#   - over TLS through Schannel, against a second server started for it
#     with a self-signed certificate.
# MariaDB 10.11 has no server side for caching_sha2_password; that plugin is
# only checked to be built in.  Wine runs in a prefix of its own under /tmp,
# kept warm for the runs and removed afterwards.
#
#   tests/windows/mariadb_smoke/run.sh [PREFIX]   (default: build-win-deps/mariadb)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../../.." && pwd)
self="$here/$(basename "$0")"
prefix=${1:-$root/build-win-deps/mariadb}
case "$prefix" in /*) ;; *) prefix="$PWD/$prefix" ;; esac

if [ -z "${TAVO_DB_INI:-}" ]; then
  "$root/scripts/mariadb_win.sh" "$prefix"
  "$root/scripts/deps.sh" test
  exec "$root/scripts/with_mariadb.sh" "$self" "$prefix"
fi

build="$root/build-win-smoke"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-w64-mingw32.cmake" \
  -DTAVO_MARIADB_WIN_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j2
exe="$build/mariadb_smoke.exe"
echo "DLLs imported by mariadb_smoke.exe:"
i686-w64-mingw32-objdump -p "$exe" | sed -n 's/^[[:space:]]*DLL Name: /  /p'

ini() { sed -n "s/^$1=//p" "$TAVO_DB_INI" | head -n 1; }
host=$(ini HostName) port=$(ini Port) user=$(ini UserName) pass=$(ini PassWord)
dbname=$(ini DbName) socket=$(ini Socket)

export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
WINEPREFIX=$(mktemp -d /tmp/tavo_wine.XXXXXX)
trap 'wineserver -k 2>/dev/null || true; rm -rf "$WINEPREFIX"' EXIT
wineserver -p
smoke() { timeout 120 wine "$exe" "$@"; }

echo "--- $user (default authentication)"
smoke "$host" "$port" "$user" "$pass" "$dbname"

if [ "$(id -u)" -eq 0 ] && [ -n "$socket" ]; then
  ed_pass=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
  mariadb --no-defaults --socket="$socket" -uroot <<SQL
INSTALL SONAME 'auth_ed25519';
CREATE USER 'tavo_ed'@'127.0.0.1' IDENTIFIED VIA ed25519 USING PASSWORD('$ed_pass');
GRANT ALL PRIVILEGES ON $dbname.* TO 'tavo_ed'@'127.0.0.1';
SQL
  echo "--- tavo_ed (ed25519)"
  smoke "$host" "$port" tavo_ed "$ed_pass" "$dbname"
else
  echo "--- ed25519 login skipped: needs root to make the user through the server's socket"
fi

# The second server, with TLS, nested in the first one's scratch directory
# (removed with it).
tls_dir="$TAVO_DB_SCRATCH/tls"
mkdir -p "$tls_dir.certs"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -keyout "$tls_dir.certs/key.pem" -out "$tls_dir.certs/cert.pem" 2>/dev/null
if [ "$(id -u)" -eq 0 ]; then chown -R mysql:mysql "$tls_dir.certs"; fi
TAVO_MARIADBD_OPTS="--ssl-cert=$tls_dir.certs/cert.pem --ssl-key=$tls_dir.certs/key.pem" \
  "$root/scripts/mariadb_server.sh" start "$tls_dir"
TAVO_DB_INI="$tls_dir/tavo_db.ini"
echo "--- $(ini UserName) over TLS (Schannel)"
smoke "$(ini HostName)" "$(ini Port)" "$(ini UserName)" "$(ini PassWord)" "$(ini DbName)" tls
