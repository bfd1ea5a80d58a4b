#!/usr/bin/env bash
# Runs a command as it runs on a host whose kernel starts no 32-bit x86
# programs (a virtual machine without IA-32 emulation): in a mount
# namespace of its own, each 32-bit x86 program of Wine is covered by a
# file that no kernel starts, so starting it fails with "Exec format
# error", as every 32-bit x86 program does on such a host.  The rest of the
# machine is untouched.  Needs root (unshare, mount --bind).  Exits with
# the command's status, or 2 when the namespace cannot be made.
#
#   scripts/no_ia32.sh COMMAND [ARGS...]
set -euo pipefail
[ $# -ge 1 ] || { echo "usage: $0 COMMAND [ARGS...]" >&2; exit 2; }
if [ "$(id -u)" -ne 0 ] || ! unshare --mount --propagation private true 2>/dev/null; then
  echo "no_ia32.sh: cannot make a mount namespace here (needs root and unshare)" >&2
  exit 2
fi
# A 32-bit x86 ELF program: class 1 (32-bit) and machine 3 (i386).
is_i386_program() {
  [ -f "$1" ] && [ -x "$1" ] && [[ "$(od -An -tx1 -N5 "$1" | tr -d ' \n')" == 7f454c4601 ]] &&
    [ "$(od -An -tx1 -j18 -N2 "$1" | tr -d ' \n')" = 0300 ]
}
targets=()
while IFS= read -r -d '' f; do
  if is_i386_program "$f"; then targets+=("$f"); fi
done < <(find /usr/lib/wine /usr/lib/i386-linux-gnu/wine -maxdepth 2 -type f -print0 2>/dev/null)
# An ELF header of no class at all: every loader of the kernel refuses it.
bogus=$(mktemp /tmp/tavo_noia32.XXXXXX)
trap 'rm -f "$bogus"' EXIT
printf '\177ELF\0\0\0\0\0\0\0\0\0\0\0\0' >"$bogus"
chmod 755 "$bogus"
echo "no_ia32.sh: running as on a host without IA-32 emulation (${#targets[@]} 32-bit programs of Wine refused)"
status=0
unshare --mount --propagation private bash -c '
  bogus=$1; shift
  n=$1; shift
  for ((i = 0; i < n; i++)); do mount --bind "$bogus" "$1"; shift; done
  exec "$@"' _ "$bogus" "${#targets[@]}" "${targets[@]}" "$@" || status=$?
exit "$status"
