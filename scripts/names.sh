#!/usr/bin/env bash
# Checks the naming rule of internal code (.clang-tidy; docs/DEVELOPING.md,
# "Code format and naming") on every source of the tree that a configured
# build compiles, with clang-tidy 14 and that build's compile_commands.json.
# Fails naming each name off the rule.
#
#   scripts/names.sh BUILD_DIR...       e.g. scripts/names.sh build/default
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -ge 1 ] || { echo "usage: $0 BUILD_DIR..." >&2; exit 2; }
root=$PWD
status=0
for build in "$@"; do
  db="$build/compile_commands.json"
  [ -f "$db" ] || { echo "names.sh: $db is missing (configure $build first)" >&2; exit 1; }
  # The tree's own sources; the build's generated files and GoogleTest are not ours.
  python3 - "$db" "$root" >"$build/names.files" <<'PY'
import json, os, sys
db, root = sys.argv[1], sys.argv[2] + "/"
seen = set()
for e in json.load(open(db)):
    f = os.path.normpath(os.path.join(e["directory"], e["file"]))
    if f.startswith(root) and not f.startswith(root + "build") and f not in seen:
        seen.add(f)
        print(f)
PY
  if ! xargs -P"$(nproc)" -n4 clang-tidy-14 --quiet -p "$build" <"$build/names.files" \
      >"$build/names.log" 2>&1; then
    grep -E 'warning:|error:' "$build/names.log" | sort -u >&2
    echo "names.sh: names off the rule in $build's sources (log: $build/names.log)" >&2
    status=1
  fi
done
[ "$status" -eq 0 ] && echo "names.sh: every internal name follows the rule ($*)"
exit "$status"
