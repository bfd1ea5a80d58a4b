#!/usr/bin/env bash
# Runs the README's main command (scripts/example.sh, no arguments) the way a
# newcomer would: in a fresh Debian 12 root made with debootstrap (minbase of
# bookworm plus ca-certificates, git and sudo), on a clone of this checkout's
# committed files, as root with a clean environment (scripts/fresh-debian.sh
# does the work; needs root and the Debian mirror this machine uses).
#
# Passes when the command exits 0, its output shows the rows read, the
# string, cipher, password and shared-memory steps and the log it wrote, and
# no process (the throwaway database server, say) was left running in the
# root when it ended.  On failure it prints the last lines of the output and
# the reason.  A root that cannot be made (no network, a refusing mirror)
# fails; a command that runs longer than the time limit is stopped and
# reported.
#
#   scripts/fresh_example.sh [COMMAND]      default: scripts/example.sh
#
# Environment:
#   TAVO_FRESH_ROOT     where the root is unpacked; its pristine copy is
#                       cached beside it as ROOT.tar and reused by later runs
#                       (default /var/tmp/tavo-fresh-debian/bookworm, outside
#                       the checkout)
#                       The whole output of the last run is left in ROOT.log.
#   TAVO_FRESH_TIMEOUT  time limit of the command in seconds (default 900)
set -euo pipefail
cd "$(dirname "$0")/.."
cmd=${1:-scripts/example.sh}
root=${TAVO_FRESH_ROOT:-/var/tmp/tavo-fresh-debian/bookworm}
limit=${TAVO_FRESH_TIMEOUT:-900}

fail() { echo "fresh root: FAILED: $*" >&2; exit 1; }
[ "$(id -u)" -eq 0 ] || fail "needs root (debootstrap, chroot and namespaces)"
git rev-parse --git-dir >/dev/null 2>&1 || fail "$PWD is not a git checkout (the root gets a clone of it)"
scripts/deps.sh fresh

mkdir -p "$(dirname "$root")"
log=$root.log  # the whole output of the last run, kept for a look afterwards
status=0
if [ ! -f "$root.tar" ]; then
  echo "fresh root: making $root.tar (debootstrap, once per machine)"
  bash scripts/fresh-debian.sh build "$root" >"$log" 2>&1 || status=$?
  if [ $status -ne 0 ]; then
    tail -n 30 "$log" >&2
    fail "cannot make the Debian 12 root (exit $status; the lines above say why)"
  fi
fi
echo "fresh root: running '$cmd' in a fresh root from $root.tar (limit ${limit}s)"
CMD_TIMEOUT=$limit bash scripts/fresh-debian.sh run "$root" . "$cmd" >"$log" 2>&1 || status=$?
last() { tail -n 40 "$log" >&2; }
case $status in
  0) ;;
  124 | 137) last; fail "'$cmd' did not end within ${limit}s and was stopped" ;;
  *) last; fail "'$cmd' exited with status $status (last lines above)" ;;
esac
if grep -q 'process(es) still running in' "$log"; then
  last; fail "'$cmd' left processes running: $(grep -o 'still running in.*' "$log" | head -n1)"
fi
if [ "$cmd" = scripts/example.sh ]; then
  for want in '^read [0-9]+ rows$' '^sorted: ' '^rc4: ' '^password: ' '^shared memory: ' '^log: /'; do
    grep -Eq "$want" "$log" || { last; fail "the output lacks a line matching '$want'"; }
  done
fi
grep -E '^\[fresh-debian\] <== ' "$log" | sed 's/^\[fresh-debian\] <== /fresh root: /'
echo "fresh root: ok"
