#!/usr/bin/env bash
# Whole-run benchmark: writes a large synthetic deployment (over 200 MB of E,
# C and A files), converts it with davrolin-unpack, and in the same run times
# a plain copy (cat to a file) of the same input bytes and of the output bytes.
# Each conversion and the copy run --repeat times (5 unless told), taken in
# turn so that a slow spell of the machine falls on all of them alike; it
# prints the fastest and the median of each, the input rate and the ratios
# run / copy (fastest against fastest, median against median). A
# measurement, not a test.
# With --jobs N[,N...], converts it with each count of decoding threads
# (davrolin-unpack --jobs N) and checks that every count wrote the same
# files; without it, with the converter's default (one thread per core).
# With --export, converts the deployment once more with --export netcdf,csv
# beside the texts and reports what the export adds (CPU time, wall time,
# peak memory, bytes).
# With --qc-cost BASE_UNPACK it only times --export netcdf --no-text, with
# this build's davrolin-unpack and with BASE_UNPACK (a build of the same
# sources without the quality flags and the grid) in turn, and reports what
# the flags and the grid add.
# Usage: bench/whole_run.sh [NATIVE_BUILD] [--human] [--jobs N[,N...]] [--repeat R] [--export]
#                           [--qc-cost BASE_UNPACK]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$root/build/native
form=
export_run=
qc_base=
jobs_list=
repeat=5
while [ $# -gt 0 ]; do
  case "$1" in
    --human) form=--human ;;
    --export) export_run=1 ;;
    --qc-cost) qc_base=$2; shift ;;
    --jobs) jobs_list=$2; shift ;;
    --jobs=*) jobs_list=${1#--jobs=} ;;
    --repeat) repeat=$2; shift ;;
    --repeat=*) repeat=${1#--repeat=} ;;
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

if [ -n "$qc_base" ]; then
  # The netCDF export with and without the flags and the grid, in turn.
  TIMEFORMAT='%3U %3S'
  : >"$work/qc-times"
  for i in $(seq "$repeat"); do
    for which in base qc; do
      unpack=$build/cli/davrolin-unpack
      [ "$which" = base ] && unpack=$qc_base
      rm -rf "$work/qc-out"
      cpu=$( { time "$unpack" --quiet --no-text --export netcdf --latitude 45 --longitude -125 "$src" "$work/qc-out" \
                 >/dev/null 2>&1; } 2>&1 )
      echo "$which $cpu" >>"$work/qc-times"
    done
  done
  ls "$work/qc-out" >/dev/null
  awk -v repeat="$repeat" '
  { c = $2 + $3; n[$1]++; v[$1, n[$1]] = c }
  function median(label,   i, j, t, a) {
    for (i = 1; i <= n[label]; i++) a[i] = v[label, i]
    for (i = 1; i <= n[label]; i++) for (j = i + 1; j <= n[label]; j++) if (a[j] < a[i]) { t = a[i]; a[i] = a[j]; a[j] = t }
    fastest[label] = a[1]
    return n[label] % 2 ? a[(n[label] + 1) / 2] : (a[n[label] / 2] + a[n[label] / 2 + 1]) / 2
  }
  END {
    mb = median("base"); mq = median("qc")
    printf "--export netcdf --no-text, %d runs of each in turn, CPU seconds (user + system)\n", repeat
    printf "  without flags and grid  fastest %6.2f s  median %6.2f s\n", fastest["base"], mb
    printf "  with flags and grid     fastest %6.2f s  median %6.2f s\n", fastest["qc"], mq
    printf "  the flags and the grid add %.0f %% (fastest), %.0f %% (median)\n",
           100 * (fastest["qc"] / fastest["base"] - 1), 100 * (mq / mb - 1)
  }' "$work/qc-times"
  exit 0
fi

TIMEFORMAT='%3U %3S'
times=$work/times  # a line "label wall user system" for each timed command
: >"$times"
timed() {  # label command...
  local label=$1 t cpu
  shift
  t=$(now)
  cpu=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  echo "$label $(echo "$(now) - $t" | bc) $cpu" >>"$times"
}
labels=()
if [ -z "$jobs_list" ]; then
  labels=(default)
else
  for n in ${jobs_list//,/ }; do labels+=("--jobs-$n"); done
fi
convert() {  # label output-folder
  local options=()
  [ "$1" = default ] || options=(--jobs "${1#--jobs-}")
  timed "$1" "$build/cli/davrolin-unpack" --quiet $form "${options[@]}" "$src" "$2"
}
for ((rep = 1; rep <= repeat; rep++)); do
  for label in "${labels[@]}"; do
    to=$out
    [ "$label" = "${labels[0]}" ] || to=$work/out-other
    rm -rf "$to"
    convert "$label" "$to"
    if [ "$rep" = 1 ] && [ "$to" != "$out" ]; then
      if diff -r -x DAVROLIN.LOG "$out" "$to" >/dev/null; then
        echo "${label#--jobs-} threads wrote the same files as ${labels[0]#--jobs-}"
      else
        echo "${label#--jobs-} threads wrote OTHER FILES than ${labels[0]#--jobs-}" >&2
      fi
    fi
    rm -rf "$work/out-other"
  done
  timed copy-in sh -c 'cat "$1"/* >"$2"' - "$src" "$work/copy-in"
  timed copy-out sh -c 'cat "$1"/* >"$2"' - "$out" "$work/copy-out"
  rm -f "$work/copy-in" "$work/copy-out"
done
output_bytes=$(cat "$out"/* | wc -c)

awk -v ib="$input_bytes" -v ob="$output_bytes" -v repeat="$repeat" -v order="${labels[*]}" '
function sort(a, n,   i, j, t) { for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t } }
function median(a, n) { return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
{
  k = ++count[$1]; wall[$1, k] = $2; user[$1, k] = $3; sys[$1, k] = $4
}
function summary(label,   i, n, w, c) {
  n = count[label]
  for (i = 1; i <= n; i++) { w[i] = wall[label, i]; c[i] = user[label, i] + sys[label, i] }
  sort(w, n); sort(c, n)
  fastest[label] = w[1]; middle[label] = median(w, n); cpuFastest[label] = c[1]; cpuMiddle[label] = median(c, n)
}
END {
  mb = 1000000
  count["copy"] = repeat
  for (i = 1; i <= repeat; i++) {
    wall["copy", i] = wall["copy-in", i] + wall["copy-out", i]
    user["copy", i] = user["copy-in", i] + user["copy-out", i]; sys["copy", i] = sys["copy-in", i] + sys["copy-out", i]
  }
  summary("copy"); summary("copy-in"); summary("copy-out")
  printf "input   %8.1f MB of E, C and A files\n", ib / mb
  printf "output  %8.1f MB of text\n", ob / mb
  printf "%d runs of each, in turn; wall times, fastest and median\n", repeat
  printf "copy    %8.2f s  %6.2f s   (cat of the input %.2f s, of the output %.2f s, fastest)\n", fastest["copy"], middle["copy"], fastest["copy-in"], fastest["copy-out"]
  n = split(order, labels, " ")
  for (j = 1; j <= n; j++) {
    label = labels[j]; summary(label)
    printf "%s\n", label
    printf "  run   %8.2f s  %6.2f s   %7.1f MB/s of input (fastest)\n", fastest[label], middle[label], ib / mb / fastest[label]
    printf "  cpu   %8.2f s  %6.2f s   %7.1f MB/s of input per CPU second (fastest)\n", cpuFastest[label], cpuMiddle[label], ib / mb / cpuFastest[label]
    printf "  ratio %8.2f    %6.2f     run / copy\n", fastest[label] / fastest["copy"], middle[label] / middle["copy"]
  }
}' "$times"

# The first conversion's fastest run, for the export's comparison.
read -r wall user system < <(awk -v label="${labels[0]}" '$1 == label && (best == "" || $2 < best) { best = $2; line = $2 " " $3 " " $4 } END { print line }' "$times")
cpu="$user $system"
t0=0; t1=$wall

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
