#!/usr/bin/env bash
# The documentation build is strict: with the project's Doxyfile, a header
# whose public call lacks a parameter description, or whose comment Doxygen
# cannot parse, makes Doxygen fail with a message naming the place.
#
#   tests/doc/check_doc_strict.sh BUILD_DIR    # configured with TAVO_BUILD_DOCS=ON
set -euo pipefail
doxyfile="$1/doc/Doxyfile"
[ -f "$doxyfile" ] || { echo "check_doc_strict: no $doxyfile" >&2; exit 1; }
work=$(mktemp -d /tmp/tavo_doc.XXXXXX)
trap 'rm -rf "$work"' EXIT

cat >"$work/missing_param.h" <<'H'
/// \file
/// A header whose call documents one of its two parameters.

/// Adds two numbers.
/// \param a the first number
/// \return the sum
int add(int a, int b);
H
cat >"$work/bad_comment.h" <<'H'
/// \file
/// A header with a comment Doxygen cannot parse.

/// Returns a value. \unknowncommand here; \param x the value
/// \return \c
int id(int x);
H

for case in 'missing_param:parameter of add(int a, int b) is not documented' \
            'bad_comment:unknown command'; do
  header=${case%%:*}
  expect=${case#*:}
  status=0
  (cat "$doxyfile"
   echo "INPUT = $work/$header.h"
   echo "OUTPUT_DIRECTORY = $work/out_$header"
   echo "USE_MDFILE_AS_MAINPAGE ="
   echo "STRIP_FROM_PATH = $work") | doxygen - >"$work/$header.log" 2>&1 || status=$?
  if [ $status -eq 0 ]; then
    cat "$work/$header.log" >&2
    echo "check_doc_strict: Doxygen accepted $header.h" >&2; exit 1
  fi
  grep -q "$header.h:[0-9]*:.*$expect" "$work/$header.log" ||
    { cat "$work/$header.log" >&2; echo "check_doc_strict: no message naming $header.h" >&2; exit 1; }
done
echo "documentation strictness: ok"
