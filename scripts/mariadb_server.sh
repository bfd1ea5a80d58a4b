#!/usr/bin/env bash
# A throwaway MariaDB server for the tests, the benchmarks and the example:
# its own data directory, socket and pid file inside DIR, listening on
# 127.0.0.1 only, on a free non-default port.  No systemd, no global
# configuration file is read (--no-defaults).
#
#   scripts/mariadb_server.sh start DIR    make DIR's server and start it; create
#                                          the database tavo_test and the user
#                                          tavo; write DIR/tavo_db.ini
#   scripts/mariadb_server.sh stop DIR     stop every server started under DIR
#                                          (nested ones too) and remove DIR
#   scripts/mariadb_server.sh kill DIR     end DIR's server at once (SIGKILL),
#                                          keeping its data (for fault tests)
#   scripts/mariadb_server.sh restart DIR  start DIR's server again on its data
#                                          and its port
#
# DIR/tavo_db.ini, read with get_login_com (section [db]):
#   HostName, UserName, PassWord, DbName, plus Port and Socket.
# Run as root, the server runs as the user mysql (the package creates it).
# Everything is written with umask 077: the login file (the password) is
# the caller's alone.  The server's own files (data, socket, its pid file
# and error log) live in DIR/server, the only folder the server's user
# owns; the script's own files (tavo_db.ini, its pid record, the port) stay
# in DIR, which belongs to the caller, so that root never writes into a
# folder another user controls.  DIR must be the caller's own directory
# (not a symbolic link).
# TAVO_MARIADBD_OPTS, when set, adds mariadbd options (split at white space)
# to start and restart, e.g. --ssl-cert=... --ssl-key=... for a TLS server.
set -euo pipefail

die() { echo "mariadb_server.sh: $*" >&2; exit 1; }

[ $# -eq 2 ] || die "usage: $0 start|stop|kill|restart DIR"
cmd=$1
dir=$2
srv=$dir/server
umask 077

# Our own record of the server process (written before mariadbd writes its
# own pid file, so a server that dies early is still found).
pid_file_name=tavo_server.pid

# A live (not zombie) mariadbd with this pid.
is_our_server() {  # pid
  local stat
  [ -n "$1" ] || return 1
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 1
  [[ $stat == "$1 (mariadbd) "* ]] && [[ $stat != "$1 (mariadbd) Z"* ]]
}

# Ports with a socket on them (any state), from the kernel's tables.
ports_in_use() {
  local f addr
  for f in /proc/net/tcp /proc/net/tcp6; do
    [ -r "$f" ] || continue
    while read -r _ addr _; do
      if [[ $addr == *:* ]]; then echo $((16#${addr##*:})); fi
    done < <(tail -n +2 "$f")
  done | sort -un
}

pick_port() {
  local used p i
  used=$(ports_in_use)
  for i in $(seq 1 200); do
    # Below the kernel's ephemeral range, away from 3306.
    p=$(( 20000 + RANDOM % 12000 ))
    if ! grep -qx "$p" <<<"$used"; then
      echo "$p"
      return 0
    fi
  done
  die "no free port found"
}

# Starts mariadbd on DIR's data and port; waits until it answers on its socket.
# Returns 1 (leaving no process) when it does not come up.
launch() {  # port
  local port=$1 user_opt=() extra_opts=() pid i
  if [ "$(id -u)" -eq 0 ]; then user_opt=(--user=mysql); fi
  read -ra extra_opts <<<"${TAVO_MARIADBD_OPTS:-}"
  setsid mariadbd --no-defaults "${user_opt[@]}" \
    --datadir="$srv/data" --socket="$srv/mysqld.sock" --pid-file="$srv/mysqld.pid" \
    --port="$port" --bind-address=127.0.0.1 --skip-name-resolve \
    --log-error="$srv/error.log" --innodb-buffer-pool-size=32M "${extra_opts[@]}" \
    </dev/null >>"$dir/server.out" 2>&1 &
  pid=$!
  echo "$pid" >"$dir/$pid_file_name"
  for i in $(seq 1 300); do
    if ! kill -0 "$pid" 2>/dev/null; then
      rm -f "$dir/$pid_file_name"
      return 1
    fi
    if mariadb-admin --no-defaults --socket="$srv/mysqld.sock" -uroot --connect-timeout=2 ping \
         >/dev/null 2>&1; then
      echo "$port" >"$dir/port"
      return 0
    fi
    sleep 0.1
  done
  stop_one "$dir/$pid_file_name"
  return 1
}

stop_one() {  # our pid file
  local pid i
  pid=$(cat "$1" 2>/dev/null || true)
  if is_our_server "$pid"; then
    kill -TERM "$pid" 2>/dev/null || true
    for i in $(seq 1 300); do
      is_our_server "$pid" || break
      sleep 0.1
    done
    if is_our_server "$pid"; then
      kill -KILL "$pid" 2>/dev/null || true
      for i in $(seq 1 50); do
        is_our_server "$pid" || break
        sleep 0.1
      done
    fi
  fi
  rm -f "$1"
}

case "$cmd" in
  start)
    command -v mariadbd >/dev/null || die "mariadbd not found (Debian: mariadb-server)"
    mkdir -p "$dir"
    [ ! -L "$dir" ] && [ -O "$dir" ] || die "$dir is not a directory of this user's own"
    [ -e "$srv" ] && die "$dir already holds a server"
    mkdir "$srv"
    install_user=()
    if [ "$(id -u)" -eq 0 ]; then
      # The server's user may pass through DIR to its own folder, no more.
      chmod 0711 "$dir"
      chown mysql:mysql "$srv"
      install_user=(--user=mysql)
    fi
    mariadb-install-db --no-defaults --auth-root-authentication-method=socket --skip-test-db \
      "${install_user[@]}" --datadir="$srv/data" >"$dir/install.log" 2>&1 \
      || { cat "$dir/install.log" >&2; die "mariadb-install-db failed"; }
    started=0
    for attempt in 1 2 3 4 5; do
      if launch "$(pick_port)"; then started=1; break; fi
    done
    [ "$started" -eq 1 ] || { tail -n 20 "$srv/error.log" >&2 || true; die "the server did not start"; }
    port=$(cat "$dir/port")
    password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
    # The test user reaches the server over TCP from 127.0.0.1 (and, with the
    # socket, as localhost); it owns the test database, routines included.
    mariadb --no-defaults --socket="$srv/mysqld.sock" -uroot <<SQL
CREATE DATABASE tavo_test;
CREATE USER 'tavo'@'127.0.0.1' IDENTIFIED BY '$password';
CREATE USER 'tavo'@'localhost' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON tavo_test.* TO 'tavo'@'127.0.0.1';
GRANT ALL PRIVILEGES ON tavo_test.* TO 'tavo'@'localhost';
SQL
    cat >"$dir/tavo_db.ini" <<INI
# A throwaway MariaDB server started by scripts/mariadb_server.sh.
[db]
HostName=127.0.0.1
UserName=tavo
PassWord=$password
DbName=tavo_test
Port=$port
Socket=$srv/mysqld.sock
INI
    echo "mariadb server up: 127.0.0.1:$port ($dir)"
    ;;
  stop)
    [ -d "$dir" ] || exit 0
    while IFS= read -r -d '' f; do
      stop_one "$f"
    done < <(find "$dir" -name "$pid_file_name" -print0 2>/dev/null)
    rm -rf "$dir"
    ;;
  kill)
    pid=$(cat "$dir/$pid_file_name" 2>/dev/null || true)
    is_our_server "$pid" || die "no server running in $dir"
    kill -KILL "$pid"
    for i in $(seq 1 100); do
      is_our_server "$pid" || break
      sleep 0.1
    done
    rm -f "$dir/$pid_file_name"
    ;;
  restart)
    [ -f "$dir/port" ] || die "no server was started in $dir"
    launch "$(cat "$dir/port")" || die "the server did not start again"
    ;;
  *)
    die "usage: $0 start|stop|kill|restart DIR"
    ;;
esac
