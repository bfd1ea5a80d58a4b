#!/usr/bin/env bash
# The program the README's quick start shows is examples/quickstart/quickstart.cpp
# as it is built and run by the install check, line for line.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
src="$root/examples/quickstart/quickstart.cpp"
first=$(head -n 1 "$src")
# The indented block of the README that starts with the file's first line.
shown=$(awk -v first="    $first" '
  !inside && $0 == first { inside = 1 }
  inside && $0 != "" && substr($0, 1, 4) != "    " { exit }
  inside { print }' "$root/README.md" | sed -e 's/^    //' -e '${/^$/d}')
if [ "$shown" != "$(cat "$src")" ]; then
  diff <(printf '%s\n' "$shown") "$src" >&2 || true
  echo "check_readme_quickstart: the README's quick start differs from $src" >&2
  exit 1
fi
echo "check_readme_quickstart: ok"
