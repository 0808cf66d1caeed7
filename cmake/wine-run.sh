#!/usr/bin/env bash
# Runs one Windows program under wine, headless, in the build tree's own
# prefix, with the wine loader of the program's word size:
#   wine-run.sh win64|win32 program.exe args...
# The toolchain files name it as CMAKE_CROSSCOMPILING_EMULATOR with the word
# size, so ctest calls it as above; the test scripts use it for wineboot, reg
# and davrolin-unpack.exe too.
# WINEPREFIX must point into the build tree (scripts/test.sh sets it up);
# without it we use <dir of the program>/wineprefix.
#
# Debian's `wine` command starts the 32-bit loader whenever 32-bit wine is
# installed, also for a 64-bit program: on a kernel that runs no 32-bit
# programs that fails, so each word size names its own loader here.
set -u
arch="$1"; exe="$2"; shift 2
case "$arch" in
  win64) loader=/usr/lib/wine/wine64; fallback=wine64 ;;
  win32) loader=/usr/lib/wine/wine; fallback=wine
         export WINEARCH=win32 ;;
  *) echo "wine-run.sh: the first argument is win64 or win32, not '$arch'" >&2; exit 2 ;;
esac
[ -x "$loader" ] || loader=$(command -v "$fallback" || echo wine)

if [ -z "${WINEPREFIX:-}" ]; then
  WINEPREFIX="$(cd "$(dirname "$exe")" && pwd)/wineprefix"
fi
export WINEPREFIX
export WINEDEBUG=-all
# Wine turns Windows file names into Unix ones through the locale's character
# set: under the C/POSIX locale (cron, a container, env -i) a name with a
# character beyond ASCII cannot be created. C.UTF-8 is always there on Debian,
# and one fixed locale keeps the runs alike whatever the caller's is.
export LC_ALL=C.UTF-8
export WINEDLLOVERRIDES="mscoree,mshtml="
timeout --kill-after=10 "${DAVROLIN_WINE_TIMEOUT:-600}" "$loader" "$exe" "$@"
rc=$?
# A wine process can linger after its work is done; wait a little, then end it.
timeout 20 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1
exit $rc
