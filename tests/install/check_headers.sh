#!/usr/bin/env bash
# The public headers are the interface and nothing else: each compiles on
# its own with no C++ standard library header on the include path (a client
# compiler that has only a C runtime's headers can use them), as C++17 and
# as C++98 (older client compilers read them too), and they are
# exactly the ten class headers, common/common.h and the export macro header.
#
#   tests/install/check_headers.sh CXX ROOT HEADER...
set -euo pipefail
cxx=$1
root=$2
shift 2
expected="common/common.h common/tavo_export.h database/tCMysql.h tCFile/tCFile.h tCFileConf/tCFileConf.h
tCFileIni/tCFileIni.h tCShm/tCShm.h tCString/tCString.h tCString2/tCString2.h tCString3/tCString3.h
tCTcp/tCTcp.h tCUdp/tCUdp.h"
got=$(printf '%s\n' "$@" | sort | tr '\n' ' ')
want=$(printf '%s\n' $expected | sort | tr '\n' ' ')
if [ "$got" != "$want" ]; then
  echo "check_headers: the installed headers are: $got" >&2
  echo "check_headers: the interface is:           $want" >&2
  exit 1
fi
err=$(mktemp)
trap 'rm -f "$err"' EXIT
for h in "$@"; do
  if ! echo "#include \"$h\"" | "$cxx" -std=c++17 -nostdinc++ -fsyntax-only -I"$root" -x c++ - 2>"$err"; then
    cat "$err" >&2
    echo "check_headers: $h needs more than C headers" >&2
    exit 1
  fi
  # Clients built with compilers of every age (Visual C++ 6.0 included)
  # read the same headers.
  if ! echo "#include \"$h\"" | "$cxx" -std=c++98 -pedantic-errors -nostdinc++ -fsyntax-only -I"$root" -x c++ - \
      2>"$err"; then
    cat "$err" >&2
    echo "check_headers: $h is not C++98" >&2
    exit 1
  fi
done
echo "check_headers: ok ($# headers, C headers only, C++98 and C++17)"
