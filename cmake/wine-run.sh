#!/usr/bin/env bash
# Runs one Windows test program under wine, headless, in the build tree's own
# prefix. Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest calls it as
#   wine-run.sh program.exe args...
# WINEPREFIX must point into the build tree (scripts/test.sh sets it up);
# without it we use <dir of the program>/wineprefix.
set -u
exe="$1"; shift
: "${WINEPREFIX:=$(cd "$(dirname "$exe")" && pwd)/wineprefix}"
export WINEPREFIX
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
timeout --kill-after=10 "${DAVROLIN_WINE_TIMEOUT:-600}" wine "$exe" "$@"
rc=$?
# A wine process can linger after its work is done; wait a little, then end it.
timeout 20 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1
exit $rc
