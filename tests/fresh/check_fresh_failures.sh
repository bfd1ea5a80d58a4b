#!/usr/bin/env bash
# The fresh-root step fails loudly, never passes silently:
#   - a root that cannot be made (here a mirror that refuses connections)
#     fails with the reason;
#   - a command that hangs is stopped at the time limit and reported;
#   - a command that fails fails the step with its status and last lines.
# Uses the cached root of scripts/fresh_example.sh (made by its first run).
set -euo pipefail
cd "$(dirname "$0")/../.."
work=$(mktemp -d /var/tmp/tavo_fresh_check.XXXXXX)
trap 'rm -rf "$work"' EXIT

expect_failure() {  # <what> <pattern the output must hold> <command...>
  local what=$1 pattern=$2 status=0
  shift 2
  "$@" >"$work/out" 2>&1 || status=$?
  if [ $status -eq 0 ]; then
    cat "$work/out" >&2; echo "fresh check: $what passed" >&2; exit 1
  fi
  if ! grep -Eq "$pattern" "$work/out"; then
    cat "$work/out" >&2; echo "fresh check: $what failed without saying '$pattern'" >&2; exit 1
  fi
  echo "fresh check: $what fails as it should: $(grep -E "$pattern" "$work/out" | head -n1)"
}

expect_failure "an unreachable mirror" 'cannot make the Debian 12 root' \
  env MIRROR=http://127.0.0.1:9/debian SECURITY_MIRROR=http://127.0.0.1:9/debian-security \
  TAVO_FRESH_ROOT="$work/bookworm" scripts/fresh_example.sh
expect_failure "a hanging command" 'did not end within 3s' \
  env TAVO_FRESH_TIMEOUT=3 scripts/fresh_example.sh 'sleep 600'
expect_failure "a failing command" "exited with status 7" \
  scripts/fresh_example.sh 'echo the reason; exit 7'
grep -q '^the reason$' "$work/out" || { echo "fresh check: the last lines were not shown" >&2; exit 1; }
echo "fresh check: ok"
