# Pieces shared by the scripts that build and run Windows programs under
# Wine (scripts/test_windows.sh, scripts/test_msvc.sh).  Sourced, not run:
#
#   . scripts/wine_lib.sh
#   check_dll_imports OBJDUMP DLL [RUNTIME_DLL...]
#       fails unless DLL imports only the system's DLLs and the runtime DLLs
#       named (lower case, e.g. msvcrt.dll); prints what it imports
#   wine_can_run_32bit
#       true when Wine runs 32-bit x86 programs here, false when the host
#       refuses them (a virtual machine without IA-32 emulation); any
#       other failure of Wine is an error, and exits with status 1
#   wine_runnable_or_exit77 WHAT_WAS_DONE
#       exits with status 77 ("not run") when this host runs no 32-bit x86
#       programs (a virtual machine without IA-32 emulation), saying so and
#       what was done before; any other failure of Wine is an error
#   wine64_runnable_or_fail
#       exits with status 1, saying why, when 64-bit Wine cannot start: it
#       runs on every x86-64 host, so nothing excuses it
#   wine_start WINEPREFIX [64]
#       Wine in a prefix of its own, quiet, with its server kept warm for
#       every program run after it and stopped when the script exits,
#       whatever the outcome; with 64, the prefix is made by 64-bit Wine
#       (it then runs 64-bit programs, and 32-bit ones where the host can)
#   throwaway_db_start
#       unless TAVO_DB_INI names a server already, starts a throwaway
#       MariaDB server (scripts/mariadb_server.sh) for the programs run
#       after it and exports TAVO_DB_INI; the server is stopped when the
#       script exits, whatever the outcome
#   $tavo_wine64
#       the 64-bit loader, which starts 64-bit programs: Debian keeps it out
#       of PATH, and its wine command starts the 32-bit loader whenever
#       wine32 is installed
#   $tavo_quickstart_output
#       what the README's quick start (examples/quickstart) prints when run
#       in a folder of its own

# The Windows DLLs a tavo.dll may import besides its C runtime.
tavo_system_dlls=' advapi32.dll bcrypt.dll crypt32.dll kernel32.dll ntdll.dll secur32.dll shlwapi.dll ws2_32.dll user32.dll '

check_dll_imports() {
  local objdump=$1 dll=$2
  shift 2
  local allowed="$tavo_system_dlls$* "
  local imports d lower
  # (A DLL may name its runtime twice: once per import library that serves it.)
  imports=$("$objdump" -p "$dll" | sed -n 's/^[[:space:]]*DLL Name: //p' | awk '!seen[tolower($0)]++')
  echo "DLLs imported by $(basename "$dll"):" $imports
  for d in $imports; do
    lower=$(echo "$d" | tr '[:upper:]' '[:lower:]')
    if [[ "$allowed" != *" $lower "* ]]; then
      echo "$(basename "$dll") imports $d, which is neither a system DLL nor its runtime ($*)" >&2
      return 1
    fi
  done
}

wine_can_run_32bit() {
  local wine_version
  wine_version=$(LC_ALL=C wine --version 2>&1) && return 0
  # Only the host's refusal to run the 32-bit loader means "cannot"; any
  # other failure of Wine is a failure of this run.
  if [[ "$wine_version" != *"Exec format error"* ]]; then
    echo "wine --version failed: $wine_version" >&2
    exit 1
  fi
  return 1
}

wine_runnable_or_exit77() {
  if ! wine_can_run_32bit; then
    echo "NOT RUN: the Windows tests; this host cannot run 32-bit x86 programs" \
      "(wine --version: Exec format error). $1" >&2
    exit 77
  fi
}

tavo_wine64=/usr/lib/wine/wine64

tavo_quickstart_output=$'apple\nfig\npear\ncannot open: No such file or directory'

wine64_runnable_or_fail() {
  local wine_version
  if ! wine_version=$(LC_ALL=C "$tavo_wine64" --version 2>&1); then
    echo "64-bit Wine cannot start ($tavo_wine64 --version: ${wine_version##*$'\n'});" \
      "it runs on every x86-64 host: install it with scripts/deps.sh windows" >&2
    exit 1
  fi
}

# What the script must undo when it exits, run in order by one EXIT trap.
tavo_exit_actions=()
tavo_on_exit() {
  local a
  for a in "${tavo_exit_actions[@]}"; do eval "$a" || true; done
}
tavo_at_exit() {
  tavo_exit_actions+=("$1")
  trap tavo_on_exit EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
}

throwaway_db_start() {
  [ -z "${TAVO_DB_INI:-}" ] || return 0
  local here dir
  here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
  dir=$(mktemp -d /tmp/tavo_mariadb.XXXXXX)
  tavo_at_exit "'$here/mariadb_server.sh' stop '$dir'"
  "$here/mariadb_server.sh" start "$dir"
  export TAVO_DB_INI="$dir/tavo_db.ini"
}

wine_start() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  local boot=(wineboot -i)
  if [ "${2:-}" = 64 ]; then
    export WINELOADER="$tavo_wine64"
    boot=("$tavo_wine64" wineboot -i)
  fi
  tavo_at_exit "WINEPREFIX='$WINEPREFIX' wineserver -k 2>/dev/null"
  # Persistent (every program finds it warm); kept off our output, which it
  # would otherwise hold open.  The server needs its prefix directory.
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  "${boot[@]}" >/dev/null 2>&1
}
