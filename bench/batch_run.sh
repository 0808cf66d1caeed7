#!/usr/bin/env bash
# A whole archive converted two ways, in one run: a shell loop of
# davrolin-unpack, one deployment after the other, against davrolin-batch on a
# local Dask cluster of two workers. Both with the same options; --jobs 1, so
# that the loop is the plain serial way and the batch's two workers are the
# two cores. Prints the seconds of each, their ratio and the load average
# before and after (a loaded machine says little).
#
#   bench/batch_run.sh BUILD [COUNT] [FOLDER]
#
# BUILD: a native build folder (davrolin-make-sample, davrolin-unpack and the
# Python package built); COUNT deployments (default 200) are made in FOLDER
# (default: a temporary folder, removed afterwards), half of each firmware,
# 240 profiles of 500 scans each (7 MB in, about 60 MB out), in ten mooring
# folders (DAVROLIN_BENCH_PROFILES and DAVROLIN_BENCH_SCANS change the
# size). Give FOLDER on tmpfs (/dev/shm/...) to measure the conversions
# rather than the disk. The loop's outputs are summed (sha256sum) and removed before the
# batch runs, so that the disk holds one set at a time (about 12 GB).
set -euo pipefail
build=$(cd "$1" && pwd)
count=${2:-200}
work=${3:-}
if [ -z "$work" ]; then
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
fi
make=$build/sample/davrolin-make-sample
unpack=$build/cli/davrolin-unpack
batch=$build/python/davrolin-batch
# The sample's metadata pins date_created, so the two outputs compare byte for byte.
metadata=$(cd "$(dirname "$0")/.." && pwd)/sample/metadata.ini
options=(--firmware auto --jobs 1 --export netcdf,csv --metadata "$metadata")

rm -rf "$work/root" "$work/loop" "$work/batch"
for i in $(seq 1 "$count"); do
  firmware=3.04
  [ $((i % 2)) -eq 0 ] && firmware=3.01
  "$make" --firmware "$firmware" --last-profile $((${DAVROLIN_BENCH_PROFILES:-240} - 1)) --scans "${DAVROLIN_BENCH_SCANS:-500}" "$work/root/mooring$((i % 10))/deployment$i"
done

now() { date +%s.%N; }
echo "load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
start=$(now)
for folder in "$work"/root/*/*; do
  dest=$work/loop/${folder#"$work/root/"}
  mkdir -p "$(dirname "$dest")"
  "$unpack" --quiet "${options[@]}" "$folder" "$dest" || true
done
loop=$(echo "$(now) - $start" | bc)
# The same files, the activity logs aside.
sums() { (cd "$1" && find . -type f ! -name DAVROLIN.LOG ! -name 'batch.*' -print0 | sort -z | xargs -0 sha256sum); }
sums "$work/loop" >"$work/loop.sha256"
rm -rf "$work/loop"
start=$(now)
PYTHONPATH=$build/python /usr/bin/python3 -W ignore::DeprecationWarning "$batch" "$work/root" "$work/batch" \
  --workers 2 "${options[@]}" >/dev/null
dask=$(echo "$(now) - $start" | bc)
echo "load average after:  $(cut -d' ' -f1-3 /proc/loadavg)"
printf 'deployments: %d\nshell loop of davrolin-unpack: %.2f s\ndavrolin-batch --workers 2:    %.2f s\nratio: %.2fx\n' \
  "$count" "$loop" "$dask" "$(echo "$loop / $dask" | bc -l)"
if sums "$work/batch" | cmp -s - "$work/loop.sha256"; then echo "outputs: identical"; else echo "outputs: DIFFERENT"; fi
rm -rf "$work/batch"
