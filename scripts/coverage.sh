#!/usr/bin/env bash
# Line and branch coverage of the library by the whole GoogleTest suite and
# the fault-injection runs (tests/fault/, every system call of each
# scenario failed in turn): a gcc --coverage build in build/coverage/ with the
# fault-injection wrappers (not counted themselves), run beside the
# throwaway MariaDB server that ctest starts (cmake/tavo_db_fixture.cmake),
# then gcovr.  Prints the covered lines and branches per directory of the
# library (tests/, bench/, fuzz/ and examples/ left out) and writes the
# uncovered lines of each file to build/coverage/coverage.txt.  Branches the
# compiler adds for exceptions and branches it proves unreachable are not
# counted.  Reports only: no figure is required.  Installs missing Debian packages first.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test coverage

jobs=$(nproc)
# Atomic counters: tests run the library on several threads at once, and
# plain counters updated together come out wrong (even negative, which
# gcovr refuses).
cmake --preset coverage >/dev/null
cmake --build --preset coverage -j"$jobs"
find build/coverage -name '*.gcda' -delete
ctest --preset coverage -j"$jobs"

filters=(-e 'tests/' -e 'bench/' -e 'fuzz/' -e 'examples/' -e 'build[^/]*/' -e 'tests/fault/syscall_wrappers.cpp')
# gcovr's worker processes can hang after an error of one of them: bounded.
timeout 900 gcovr -r . build/coverage -j"$jobs" "${filters[@]}" --exclude-throw-branches --exclude-unreachable-branches \
  --json-summary build/coverage/coverage.json --txt build/coverage/coverage.txt >/dev/null
python3 - build/coverage/coverage.json <<'PY'
import collections, json, sys
dirs = collections.defaultdict(lambda: [0, 0, 0, 0])
for f in json.load(open(sys.argv[1]))["files"]:
    d = dirs[f["filename"].split("/")[0] + "/"]
    d[0] += f["line_covered"]; d[1] += f["line_total"]
    d[2] += f["branch_covered"]; d[3] += f["branch_total"]
dirs["total"] = [sum(v[i] for v in list(dirs.values())) for i in range(4)]
pct = lambda a, b: "%5.1f%%" % (100.0 * a / b) if b else "    -"
print("%-14s %17s %17s" % ("directory", "lines", "branches"))
for name, (lc, lt, bc, bt) in sorted(dirs.items(), key=lambda kv: kv[0] == "total"):
    print("%-14s %5d/%-5d %s %5d/%-5d %s" % (name, lc, lt, pct(lc, lt), bc, bt, pct(bc, bt)))
PY
echo "uncovered lines per file: build/coverage/coverage.txt"
