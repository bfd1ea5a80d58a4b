#!/usr/bin/env bash
# Formats every C and C++ file of the project (those git tracks) with
# clang-format 14 and the project's .clang-format.  With --check it changes
# nothing and fails, naming each file that is not formatted; the test
# command runs it so.  Installs clang-format-14 when it is missing.
#
#   scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh format
mapfile -t files < <(git ls-files '*.c' '*.cpp' '*.h' ':!:fuzz/corpus/*')
if [ "${1:-}" = --check ]; then
  bad=()
  for f in "${files[@]}"; do
    clang-format-14 --dry-run --Werror "$f" >/dev/null 2>&1 || bad+=("$f")
  done
  if [ ${#bad[@]} -gt 0 ]; then
    echo "not formatted (scripts/format.sh formats them):" "${bad[@]}" >&2
    exit 1
  fi
  echo "format: ${#files[@]} files formatted"
else
  clang-format-14 -i "${files[@]}"
fi
