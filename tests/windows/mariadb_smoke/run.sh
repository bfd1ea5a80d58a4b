#!/usr/bin/env bash
# Builds Connector/C for Windows (scripts/mariadb_win.sh), cross-builds
# mariadb_smoke.exe against it through tavo-mariadb.cmake, shows that the exe
# imports only system DLLs, and runs it under Wine against throwaway native
# MariaDB servers on 127.0.0.1 (scripts/wine_lib.sh's throwaway_db_start;
# with TAVO_DB_INI already set, that server is used for the first two):
#   - as the test user (the server's default authentication);
#   - as a user identified via ed25519, when run as root (the user is made
#     through the server's socket), so the built-in client_ed25519 plugin
#     really authenticates.
#   - over TLS through Schannel, against a second server started for it
#     with a self-signed certificate.
# MariaDB 10.11 has no server side for caching_sha2_password; that plugin is
# only checked to be built in.  Wine runs in a prefix of its own
# (build/mariadb-smoke-ARCH/wineprefix), kept warm for the runs.
#
#   tests/windows/mariadb_smoke/run.sh [i686|x86_64]      default: i686
set -euo pipefail
root=$(cd "$(dirname "$0")/../../.." && pwd)
here="$root/tests/windows/mariadb_smoke"
arch=${1:-i686}
case "$arch" in
  i686) prefix="$root/build/deps/win/mariadb" ;;
  x86_64) prefix="$root/build/deps/win/mariadb-x86_64" ;;
  *) echo "usage: $0 [i686|x86_64]" >&2; exit 2 ;;
esac
"$root/scripts/deps.sh" test windows
"$root/scripts/mariadb_win.sh" "$arch" "$prefix"

. "$root/scripts/wine_lib.sh"
build="$root/build/mariadb-smoke-$arch"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-$arch-w64-mingw32.cmake" \
  -DTAVO_MARIADB_WIN_PREFIX="$prefix" >/dev/null
cmake --build "$build" -j2
exe="$build/mariadb_smoke.exe"
check_dll_imports "$arch-w64-mingw32-objdump" "$exe" msvcrt.dll

if [ "$arch" = x86_64 ]; then
  wine64_runnable_or_fail
  wine_start "$build/wineprefix" 64
  wine=$tavo_wine64
else
  wine_runnable_or_exit77 "mariadb_smoke.exe was built and its imports checked."
  wine_start "$build/wineprefix"
  wine=wine
fi
throwaway_db_start
smoke() { timeout 120 "$wine" "$exe" "$@"; }

ini() { sed -n "s/^$1=//p" "$TAVO_DB_INI" | head -n 1; }
host=$(ini HostName) port=$(ini Port) user=$(ini UserName) pass=$(ini PassWord)
dbname=$(ini DbName) socket=$(ini Socket)

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

# The second server, with TLS, and its self-signed certificate; both go
# when the script exits.
certs=$(mktemp -d /tmp/tavo_smoke_certs.XXXXXX)
tls_dir=$(mktemp -d /tmp/tavo_mariadb.XXXXXX)
tavo_at_exit "'$root/scripts/mariadb_server.sh' stop '$tls_dir'; rm -rf '$certs'"
openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=127.0.0.1 \
  -keyout "$certs/key.pem" -out "$certs/cert.pem" 2>/dev/null
if [ "$(id -u)" -eq 0 ]; then chown -R mysql:mysql "$certs"; fi
TAVO_MARIADBD_OPTS="--ssl-cert=$certs/cert.pem --ssl-key=$certs/key.pem" \
  "$root/scripts/mariadb_server.sh" start "$tls_dir"
TAVO_DB_INI="$tls_dir/tavo_db.ini"
echo "--- $(ini UserName) over TLS (Schannel)"
smoke "$(ini HostName)" "$(ini Port)" "$(ini UserName)" "$(ini PassWord)" "$(ini DbName)" tls
echo "mariadb_smoke ($arch): ok"
