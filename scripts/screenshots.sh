#!/usr/bin/env bash
# Pictures of the wizard: starts the Windows x86_64 build's test program under
# wine and Xvfb, shows every step and saves PNGs into build/win64/screenshots.
#   scripts/screenshots.sh           (after scripts/test.sh has built build/win64)
#   scripts/screenshots.sh --docs    (also copies them to docs/ for the README)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAVROLIN_BUILD_DIR:-$root/build}/win64
out=$build/screenshots
cmake --build "$build" --target win32_tests >/dev/null
rm -rf "$out" && mkdir -p "$out"
winpath() { echo "Z:${1//\//\\}"; }
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The pages show the bundled sample deployment, copied to C:\VXP\DEPLOY07 of
# the wine prefix, when the native build made it.
sample=${DAVROLIN_BUILD_DIR:-$root/build}/native/sample/3.04
drive_c=$WINEPREFIX/drive_c
if [ -d "$sample" ]; then
  rm -rf "$drive_c/VXP" && mkdir -p "$drive_c/VXP/UNPACKED"
  cp -r "$sample" "$drive_c/VXP/DEPLOY07"
  cp "$root/sample/metadata.ini" "$drive_c/VXP/DEPLOY07/"
  export DAVROLIN_SCREENSHOT_SOURCE='C:\VXP\DEPLOY07' DAVROLIN_SCREENSHOT_DESTINATION='C:\VXP\UNPACKED'
fi
DAVROLIN_SCREENSHOTS=$(winpath "$out") timeout 300 xvfb-run -a -s "-screen 0 1024x768x24" \
  "$root/cmake/wine-run.sh" win64 "$build/tests/win32_tests.exe" --gtest_filter='Screenshots.*' >/dev/null
timeout 20 wineserver -w || true
rm -rf "$drive_c/VXP"
for bmp in "$out"/*.bmp; do
  convert "$bmp" "${bmp%.bmp}.png" && rm "$bmp"
done
if [ "${1:-}" = "--docs" ]; then
  mkdir -p "$root/docs"
  cp "$out"/*.png "$root/docs/"
fi
ls "$out"
