#!/usr/bin/env bash
# Fails when an object file of a 32-bit x86 build does arithmetic on the x87
# unit: its 80-bit intermediates round differently from the IEEE double the
# conversions are defined in. Every C and C++ file of such a build is compiled
# with -msse2 -mfpmath=sse (CMakeLists.txt); moves through x87 registers at
# calls and returns are exact and allowed.
# Usage: scripts/check-no-x87.sh BUILD_FOLDER
set -euo pipefail
status=0
count=0
while IFS= read -r obj; do
  count=$((count + 1))
  hits=$(i686-w64-mingw32-objdump -d "$obj" |
         grep -cE $'\t''(fi?(add|sub|subr|mul|div|divr)[lsqt]?|f(add|sub|subr|mul|div|divr)p|fsqrt|fprem1?|fscale) ' || true)
  if [ "$hits" -gt 0 ]; then
    echo "check-no-x87: $obj does x87 arithmetic ($hits instructions)" >&2
    status=1
  fi
done < <(find "$1" -path '*/CMakeFiles/*' -name '*.obj')
if [ "$count" -eq 0 ]; then
  echo "check-no-x87: no object files under $1" >&2
  exit 1
fi
[ $status -eq 0 ] && echo "check-no-x87: $count object files, no x87 arithmetic"
exit $status
