#!/usr/bin/env bash
# Whole-run benchmark: writes a large synthetic deployment (over 200 MB of E,
# C and A files), converts it with davrolin-unpack, and in the same run times
# a plain copy (cat to a file) of the same input bytes and of the output bytes.
# Prints the input rate and the ratio run / copy. A measurement, not a test.
# With --export, converts the deployment a second time with
# --export netcdf,csv beside the texts and reports what the export adds (CPU
# time, wall time, peak memory, bytes).
# With --jobs N[,N...], converts it once for each count of decoding threads
# (davrolin-unpack --jobs N), each timed against the same copy, and checks
# that every run wrote the same files; without it, once with the converter's
# default (one thread per core).
# Usage: bench/whole_run.sh [NATIVE_BUILD] [--human] [--jobs N[,N...]] [--export]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/native
form=
export_run=
jobs_list=
while [ $# -gt 0 ]; do
  case "$1" in
    --human) form=--human ;;
    --export) export_run=1 ;;
    --jobs) jobs_list=$2; shift ;;
    --jobs=*) jobs_list=${1#--jobs=} ;;
    *) build=$1 ;;
  esac
  shift
done
work=${DAVROLIN_BENCH_DIR:-$(mktemp -d)}
trap 'rm -rf "$work"' EXIT

src=$work/deployment
out=$work/out
# 2000 profiles of 2000 scans, 10 per file: about 220 MB of data files.
"$build/sample/davrolin-make-sample" --last-profile 1999 --per-file 10 --scans 2000 "$src"
sync

now() { date +%s.%N; }
input_bytes=$(cat "$src"/[ECA]*.DAT | wc -c)

TIMEFORMAT='%3U %3S'
runs=()  # "label wall user system" of each conversion
convert() {  # label output-folder options...
  local label=$1 to=$2 t cpu
  shift 2
  t=$(now)
  cpu=$( { time "$build/cli/davrolin-unpack" --quiet $form "$@" "$src" "$to" >/dev/null 2>&1; } 2>&1 )
  runs+=("$label $(echo "$(now) - $t" | bc) $cpu")
}
if [ -z "$jobs_list" ]; then
  convert default "$out"
else
  first=
  for n in ${jobs_list//,/ }; do
    if [ -z "$first" ]; then
      first=$n
      convert "--jobs-$n" "$out" --jobs "$n"
    else
      convert "--jobs-$n" "$work/out-$n" --jobs "$n"
      if diff -r -x DAVROLIN.LOG "$out" "$work/out-$n" >/dev/null; then
        echo "--jobs $n wrote the same files as --jobs $first"
      else
        echo "--jobs $n wrote OTHER FILES than --jobs $first" >&2
      fi
      rm -rf "$work/out-$n"
    fi
  done
fi
read -r _ wall user system <<<"${runs[0]}"
cpu="$user $system"
t0=0; t1=$wall
output_bytes=$(cat "$out"/* | wc -c)

t2=$(now)
cat "$src"/* > "$work/copy-in"
t3=$(now)
cat "$out"/* > "$work/copy-out"
t4=$(now)

for r in "${runs[@]}"; do
  read -r label wall user system <<<"$r"
  awk -v label="$label" -v ib="$input_bytes" -v ob="$output_bytes" -v run="$wall" -v u="$user" -v s="$system" \
      -v cin="$(echo "$t3 - $t2" | bc)" -v cout="$(echo "$t4 - $t3" | bc)" -v head="$([ "$r" = "${runs[0]}" ] && echo 1)" 'BEGIN {
    mb = 1000000
    if (head) {
      printf "input   %8.1f MB of E, C and A files\n", ib / mb
      printf "output  %8.1f MB of text\n", ob / mb
      printf "copy    %8.2f s   (cat of the input %.2f s, of the output %.2f s)\n", cin + cout, cin, cout
    }
    printf "%s\n", label
    printf "  run   %8.2f s   %7.1f MB/s of input\n", run, ib / mb / run
    printf "  cpu   %8.2f s   (user %.2f s, system %.2f s)   %7.1f MB/s of input per CPU second\n", u + s, u, s, ib / mb / (u + s)
    printf "  ratio %8.2f   run / copy\n", run / (cin + cout)
  }'
done

[ -n "$export_run" ] || exit 0

# The same run with the export beside the texts.
rm -rf "$work/copy-in" "$work/copy-out"
out2=$work/out-export
peak() {  # the peak resident set of a command, in MB, when GNU time is there
  if [ -x /usr/bin/time ]; then
    /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1 || true
    echo "$(( $(cat "$work/peak") / 1024 ))"
  else
    "$@" >/dev/null 2>&1 || true; echo "?"
  fi
}
t5=$(now)
cpu2=$( { time "$build/cli/davrolin-unpack" --quiet $form --export netcdf,csv --latitude 45 --longitude -125 \
            "$src" "$out2" >/dev/null 2>&1; } 2>&1 )
t6=$(now)
export_bytes=$(cat "$out2"/*.nc "$out2"/*.csv | wc -c)
rm -rf "$out" "$out2"
text_peak=$(peak "$build/cli/davrolin-unpack" --quiet $form "$src" "$out")
rm -rf "$out"
export_peak=$(peak "$build/cli/davrolin-unpack" --quiet $form --export netcdf,csv --latitude 45 --longitude -125 "$src" "$out2")
awk -v cpu="$cpu" -v cpu2="$cpu2" -v run="$(echo "$t1 - $t0" | bc)" -v run2="$(echo "$t6 - $t5" | bc)" \
    -v eb="$export_bytes" -v p1="$text_peak" -v p2="$export_peak" 'BEGIN {
  split(cpu, a, " "); split(cpu2, b, " ")
  c1 = a[1] + a[2]; c2 = b[1] + b[2]
  printf "export  %8.1f MB of netCDF and CSV\n", eb / 1000000
  printf "with export: run %.2f s, cpu %.2f s (user %.2f s, system %.2f s)\n", run2, c2, b[1], b[2]
  printf "export adds  %.2f s of CPU (%.0f %% of the text run), %.2f s of wall time (%.0f %%)\n", c2 - c1, 100 * (c2 - c1) / c1, run2 - run, 100 * (run2 - run) / run
  printf "peak memory  %s MB text run, %s MB with the export\n", p1, p2
}'
