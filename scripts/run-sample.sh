#!/usr/bin/env bash
# Installs what is missing, builds davrolin-unpack natively, writes the bundled
# 3.04 sample deployment and converts it, then says where the files went.
# Usage: scripts/run-sample.sh [--machine]   (human-readable form by default)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAVROLIN_BUILD_DIR:-$root/build}/native
form=--human
[ "${1:-}" = "--machine" ] && form=

bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target davrolin-unpack sample_deployments >/dev/null

sample=$build/sample/3.04
out=$build/sample-output/3.04
rm -rf "$out"
mkdir -p "$(dirname "$out")"  # davrolin-unpack creates one folder level, as the wizard does
set +e
"$build/cli/davrolin-unpack" $form "$sample" "$out"
rc=$?
set -e
echo
echo "Sample deployment: $sample"
echo "Converted files:   $out ($(ls "$out" | wc -l) files, exit code $rc)"
echo "Activity log:      $out/DAVROLIN.LOG"
exit $rc
