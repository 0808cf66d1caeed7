#!/usr/bin/env bash
# Quick look benchmark: writes the whole-run deployment at its large size
# (1000 profiles of 10000 scans, 10 per file: 10 million scans of each
# instrument), exports it as netCDF with davrolin-unpack, then makes the
# quick look of that export. It prints for both the wall time, the CPU time
# and the peak memory (GNU time, /usr/bin/time), and the quick look's times
# over the export's, measured in the same run. A measurement, not a test.
# Usage: bench/quicklook_run.sh [NATIVE_BUILD] [--profiles N] [--scans N]
#   DAVROLIN_BENCH_DIR=/dev/shm/x keeps the files on tmpfs (about 1.7 GB).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/native
profiles=1000
scans=10000
while [ $# -gt 0 ]; do
  case "$1" in
    --profiles) profiles=$2; shift ;;
    --scans) scans=$2; shift ;;
    *) build=$1 ;;
  esac
  shift
done
if [ ! -x /usr/bin/time ]; then
  echo "quicklook_run: needs GNU time (/usr/bin/time, Debian package time)" >&2
  exit 2
fi
work=${DAVROLIN_BENCH_DIR:-$(mktemp -d)}
trap 'rm -rf "$work"' EXIT

src=$work/deployment
exported=$work/export
look=$work/quicklook
rm -rf "$src" "$exported" "$look"
"$build/sample/davrolin-make-sample" --last-profile $((profiles - 1)) --per-file 10 --scans "$scans" "$src"
sync

measure() {  # label command...: a line "label wall user system peak-kB"
  local label=$1
  shift
  /usr/bin/time -f "$label %e %U %S %M" -o "$work/$label.time" "$@" >"$work/$label.out" 2>&1 || {
    echo "quicklook_run: $label failed:" >&2
    cat "$work/$label.out" >&2
    exit 1
  }
  cat "$work/$label.time"
}
measure export "$build/cli/davrolin-unpack" --quiet --no-text --export netcdf --latitude 47.5 --longitude -128.25 \
  "$src" "$exported" >"$work/times"
measure quicklook "$root/quicklook/davrolin-quicklook" "$exported" "$look" >>"$work/times"

echo "deployment  $profiles profiles of $scans scans: $((profiles * scans)) scans of each instrument," \
  "$(du -sm "$src" | cut -f1) MB of raw files, $(du -cm "$exported"/*.nc | tail -1 | cut -f1) MB of netCDF"
awk '{ wall[$1] = $2; cpu[$1] = $3 + $4; peak[$1] = $5 / 1024
       printf "%-10s %7.1f s wall, %7.1f s CPU (user %.1f, system %.1f), %6.0f MB peak\n", $1, $2, $3 + $4, $3, $4, $5 / 1024 }
     END { printf "quick look / export: %.1f x the wall time, %.1f x the CPU time\n",
                  wall["quicklook"] / wall["export"], cpu["quicklook"] / cpu["export"] }' "$work/times"
ls "$look"
