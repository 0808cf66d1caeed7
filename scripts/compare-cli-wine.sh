#!/usr/bin/env bash
# Runs davrolin-unpack natively and the Windows davrolin-unpack.exe under wine
# on the same sample deployments with the same options, and fails unless every
# output file is the same bytes (the activity log aside: it holds paths, the
# build time and the local date).
# Usage: scripts/compare-cli-wine.sh NATIVE_BUILD WIN64_BUILD
set -euo pipefail
native=$1
win64=$2
exe=$win64/cli/davrolin-unpack.exe
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
: "${WINEPREFIX:=$win64/wineprefix}"
export WINEPREFIX

status=0
run_case() {  # name firmware options...
  local name=$1 firmware=$2; shift 2
  local src=$work/src-$firmware
  [ -d "$src" ] || "$native/sample/davrolin-make-sample" --firmware "$firmware" "$src"
  "$native/cli/davrolin-unpack" --quiet --firmware "$firmware" "$@" "$src" "$work/$name-native" >/dev/null 2>&1 || true
  local wsrc wdst
  wsrc=$(winepath -w "$src" 2>/dev/null)
  wdst=$(winepath -w "$work/$name-wine" 2>/dev/null)
  timeout 300 wine "$exe" --quiet --firmware "$firmware" "$@" "$wsrc" "$wdst" >/dev/null 2>&1 || true
  if [ ! -d "$work/$name-wine" ] || ! diff -r -x DAVROLIN.LOG "$work/$name-native" "$work/$name-wine" >/dev/null ||
     [ ! -f "$work/$name-wine/DAVROLIN.LOG" ]; then
    echo "compare-cli-wine: $name differs between Linux and wine" >&2
    diff -r -x DAVROLIN.LOG "$work/$name-native" "$work/$name-wine" | head -20 >&2 || true
    status=1
  else
    echo "compare-cli-wine: $name: $(ls "$work/$name-native" | wc -l) files, same bytes"
  fi
}

run_case machine-304 3.04
run_case human-304 3.04 --human --prefix S_
run_case range-304 3.04 --human --kinds engineering,ctd,acm --profiles 5-9
run_case machine-301 3.01
run_case human-301 3.01 --human --profile 6
timeout 20 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true
exit $status
