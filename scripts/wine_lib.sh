# Pieces shared by the scripts that build and run Windows programs under
# Wine (scripts/test_windows.sh, scripts/test_msvc.sh).  Sourced, not run:
#
#   . scripts/wine_lib.sh
#   check_dll_imports OBJDUMP DLL [RUNTIME_DLL...]
#       fails unless DLL imports only the system's DLLs and the runtime DLLs
#       named (lower case, e.g. msvcrt.dll); prints what it imports
#   wine_runnable_or_exit77 WHAT_WAS_DONE
#       exits with status 77 ("not run") when this host runs no 32-bit x86
#       programs (a virtual machine without IA-32 emulation), saying so and
#       what was done before; any other failure of Wine is an error
#   wine_start WINEPREFIX
#       Wine in a prefix of its own, quiet, with its server kept warm for
#       every program run after it and stopped when the script exits,
#       whatever the outcome

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

wine_runnable_or_exit77() {
  local wine_version
  if ! wine_version=$(LC_ALL=C wine --version 2>&1); then
    # Only the host's refusal to run the 32-bit loader is "not run"; any other
    # failure of Wine is a failure of this run.
    if [[ "$wine_version" != *"Exec format error"* ]]; then
      echo "wine --version failed: $wine_version" >&2
      exit 1
    fi
    echo "NOT RUN: the Windows tests; this host cannot run 32-bit x86 programs" \
      "(wine --version: ${wine_version##*$'\n'}). $1" >&2
    exit 77
  fi
}

wine_start() {
  export WINEPREFIX="$1" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  trap 'wineserver -k 2>/dev/null || true' EXIT
  trap 'exit 129' HUP
  trap 'exit 130' INT
  trap 'exit 143' TERM
  # Persistent (every program finds it warm); kept off our output, which it
  # would otherwise hold open.  The server needs its prefix directory.
  mkdir -p "$WINEPREFIX"
  wineserver -p </dev/null >/dev/null 2>&1
  wineboot -i >/dev/null 2>&1
}
