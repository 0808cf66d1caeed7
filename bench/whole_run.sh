#!/usr/bin/env bash
# Whole-run benchmark: writes a large synthetic deployment (over 200 MB of E,
# C and A files), converts it with davrolin-unpack, and in the same run times
# a plain copy (cat to a file) of the same input bytes and of the output bytes.
# Prints the input rate and the ratio run / copy. A measurement, not a test.
# Usage: bench/whole_run.sh [NATIVE_BUILD] [--human]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build/native}
form=${2:-}
work=${DAVROLIN_BENCH_DIR:-$(mktemp -d)}
trap 'rm -rf "$work"' EXIT

src=$work/deployment
out=$work/out
# 2000 profiles of 2000 scans, 10 per file: about 220 MB of data files.
"$build/sample/davrolin-make-sample" --last-profile 1999 --per-file 10 --scans 2000 "$src"
sync

now() { date +%s.%N; }
input_bytes=$(cat "$src"/[ECA]*.DAT | wc -c)

t0=$(now)
TIMEFORMAT='%3U %3S'
cpu=$( { time "$build/cli/davrolin-unpack" --quiet $form "$src" "$out" >/dev/null 2>&1; } 2>&1 )
t1=$(now)
output_bytes=$(cat "$out"/* | wc -c)

t2=$(now)
cat "$src"/* > "$work/copy-in"
t3=$(now)
cat "$out"/* > "$work/copy-out"
t4=$(now)

awk -v cpu="$cpu" -v ib="$input_bytes" -v ob="$output_bytes" -v run="$(echo "$t1 - $t0" | bc)" \
    -v cin="$(echo "$t3 - $t2" | bc)" -v cout="$(echo "$t4 - $t3" | bc)" 'BEGIN {
  mb = 1000000
  printf "input   %8.1f MB of E, C and A files\n", ib / mb
  printf "output  %8.1f MB of text\n", ob / mb
  split(cpu, c, " ")
  printf "run     %8.2f s   %7.1f MB/s of input\n", run, ib / mb / run
  printf "cpu     %8.2f s   (user %.2f s, system %.2f s)   %7.1f MB/s of input per CPU second\n", c[1] + c[2], c[1], c[2], ib / mb / (c[1] + c[2])
  printf "copy    %8.2f s   (cat of the input %.2f s, of the output %.2f s)\n", cin + cout, cin, cout
  printf "ratio   %8.2f   run / copy\n", run / (cin + cout)
}'
