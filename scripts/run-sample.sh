#!/usr/bin/env bash
# Installs the packages it needs that are missing (install-deps.sh sample: a
# short list, not the test command's), builds davrolin-unpack natively, writes
# the bundled 3.04 sample deployment and converts it, exports it (netCDF and
# CSV, with the sample's metadata file), makes the quick look of the export,
# then says where everything went.
# Usage: scripts/run-sample.sh [--machine]   (human-readable form by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAVROLIN_BUILD_DIR:-$root/build}/native
form=--human
[ "${1:-}" = "--machine" ] && form=

bash "$root/scripts/install-deps.sh" sample
# A build folder made here leaves out the test suites and the benchmarks,
# whose packages the sample does not install; one that scripts/test.sh
# configured is used as it is.
options=()
[ -f "$build/CMakeCache.txt" ] || options=(-DDAVROLIN_TESTS=OFF -DDAVROLIN_BENCH=OFF)
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${options[@]}" >/dev/null
cmake --build "$build" --target davrolin-unpack sample_deployments >/dev/null

sample=$build/sample/3.04
out=$build/sample-output/3.04
exported=$build/sample-export/3.04
look=$build/sample-quicklook/3.04
rm -rf "$out" "$exported" "$look"
# davrolin-unpack creates one folder level, as the wizard does
mkdir -p "$(dirname "$out")" "$(dirname "$exported")" "$(dirname "$look")"
set +e
"$build/cli/davrolin-unpack" $form "$sample" "$out"
rc=$?
"$build/cli/davrolin-unpack" --quiet --no-text --export netcdf,csv --metadata "$root/sample/metadata.ini" \
  "$sample" "$exported"
export_rc=$?
look_rc=1
if [ "$export_rc" -le 1 ]; then
  "$root/quicklook/davrolin-quicklook" "$exported" "$look" >/dev/null
  look_rc=$?
fi
set -e
echo
echo "Sample deployment: $sample"
echo "Converted files:   $out ($(ls "$out" | wc -l) files, exit code $rc)"
echo "Activity log:      $out/DAVROLIN.LOG"
echo "Export:            $exported ($(ls "$exported" 2>/dev/null | wc -l) files, exit code $export_rc)"
if [ "$look_rc" -eq 0 ]; then
  echo "Quick look:        $look/index.html"
elif [ "$look_rc" -eq 3 ]; then
  echo "Quick look:        $look/index.html (a figure could not be drawn: exit code 3, the page says why)"
else
  echo "Quick look:        not made (exit code $look_rc)"
fi
for code in "$rc" "$export_rc" "$look_rc"; do
  [ "$code" -ne 0 ] && exit "$code"
done
exit 0
