#!/usr/bin/env bash
# Whole-run benchmark: writes a large synthetic deployment (over 200 MB of E,
# C and A files), converts it with davrolin-unpack, and in the same run times
# a plain copy (cat to a file) of the same input bytes and of each
# conversion's output bytes. Each conversion and the copies run --repeat
# times (5 unless told), taken in turn so that a slow spell of the machine
# falls on all of them alike; it prints the fastest and the median of each,
# the input rate, the peak memory and the ratios run / copy of its own input
# and output bytes (fastest against fastest, median against median). A
# measurement, not a test.
# With --jobs N[,N...], converts it with each count of decoding threads
# (davrolin-unpack --jobs N) and checks that every count wrote the same
# files; without it, with the converter's default (one thread per core).
# With --export, each count also converts it with --export netcdf,csv beside
# the texts, and with --export netcdf --no-text.
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
mkdir -p "$work"
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
times=$work/times  # a line "label wall user system peak-KB" for each timed command
: >"$times"
timed() {  # label command...
  local label=$1 t cpu peak=0
  shift
  t=$(now)
  if [ -x /usr/bin/time ]; then
    cpu=$( { time /usr/bin/time -f %M -o "$work/peak" "$@" >/dev/null 2>&1; } 2>&1 )
    peak=$(cat "$work/peak")
  else
    cpu=$( { time "$@" >/dev/null 2>&1; } 2>&1 )
  fi
  echo "$label $(echo "$(now) - $t" | bc) $cpu $peak" >>"$times"
}

# The conversions: a label and davrolin-unpack's options. The export's
# metadata pins date_created, so that the counts write the same bytes.
printf '[METADATA]\ndate_created = 2024-07-02T00:00:00Z\n' >"$work/metadata.ini"
position=(--metadata "$work/metadata.ini" --latitude 45 --longitude -125)
labels=() options=()
add() { labels+=("$1"); shift; options+=("$*"); }
for n in ${jobs_list//,/ }; do add "--jobs-$n" --jobs "$n"; done
[ -n "$jobs_list" ] || add default
if [ -n "$export_run" ]; then
  for n in ${jobs_list//,/ }; do add "--jobs-$n+export" --jobs "$n" --export netcdf,csv "${position[@]}"; done
  [ -n "$jobs_list" ] || add default+export --export netcdf,csv "${position[@]}"
  for n in ${jobs_list//,/ }; do add "--jobs-$n+netcdf-only" --jobs "$n" --export netcdf --no-text "${position[@]}"; done
  [ -n "$jobs_list" ] || add default+netcdf-only --export netcdf --no-text "${position[@]}"
fi

declare -A bytes=()
for ((rep = 1; rep <= repeat; rep++)); do
  for i in "${!labels[@]}"; do
    label=${labels[$i]}
    rm -rf "$out"
    # shellcheck disable=SC2086
    timed "$label" "$build/cli/davrolin-unpack" --quiet $form ${options[$i]} "$src" "$out"
    if [ "$rep" = 1 ]; then
      bytes[$label]=$(cat "$out"/* | wc -c)
      same=$work/same-${label#*+}   # the first count's files of each kind of conversion
      [ "$label" = "${label%+*}" ] && same=$work/same-text
      if [ ! -d "$same" ]; then
        mv "$out" "$same"; cp -r "$same" "$out"
      elif diff -r -x DAVROLIN.LOG "$same" "$out" >/dev/null; then
        echo "$label wrote the same files as the first count"
      else
        echo "$label wrote OTHER FILES than the first count" >&2
      fi
    fi
    timed "copy-out:$label" sh -c 'cat "$1"/* >"$2"' - "$out" "$work/copy-out"
    rm -f "$work/copy-out"
  done
  timed copy-in sh -c 'cat "$1"/* >"$2"' - "$src" "$work/copy-in"
  rm -f "$work/copy-in"
done
rm -rf "$work"/same-*
sizes=$(for l in "${labels[@]}"; do echo "$l ${bytes[$l]}"; done)

awk -v ib="$input_bytes" -v repeat="$repeat" -v order="${labels[*]}" -v sizes="$sizes" '
function sort(a, n,   i, j, t) { for (i = 2; i <= n; i++) for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t } }
function median(a, n) { return n % 2 ? a[(n + 1) / 2] : (a[n / 2] + a[n / 2 + 1]) / 2 }
{
  k = ++count[$1]; wall[$1, k] = $2; user[$1, k] = $3; sys[$1, k] = $4; peak[$1, k] = $5
}
function summary(label,   i, n, w, c) {
  n = count[label]; top[label] = 0
  for (i = 1; i <= n; i++) { w[i] = wall[label, i]; c[i] = user[label, i] + sys[label, i]; if (peak[label, i] > top[label]) top[label] = peak[label, i] }
  sort(w, n); sort(c, n)
  fastest[label] = w[1]; middle[label] = median(w, n); cpuFastest[label] = c[1]; cpuMiddle[label] = median(c, n)
}
END {
  mb = 1000000
  split(sizes, s, "\n"); for (i in s) { split(s[i], kv, " "); ob[kv[1]] = kv[2] }
  summary("copy-in")
  printf "input   %8.1f MB of E, C and A files; %d runs of each, in turn; wall times, fastest and median\n", ib / mb, repeat
  printf "copy of the input %6.2f s  %6.2f s\n", fastest["copy-in"], middle["copy-in"]
  n = split(order, labels, " ")
  for (j = 1; j <= n; j++) {
    label = labels[j]; summary(label)
    copy = "copy:" label; count[copy] = repeat
    for (i = 1; i <= repeat; i++) { wall[copy, i] = wall["copy-in", i] + wall["copy-out:" label, i]; user[copy, i] = 0; sys[copy, i] = 0 }
    summary(copy)
    printf "%s: %.1f MB out\n", label, ob[label] / mb
    printf "  copy  %8.2f s  %6.2f s   (cat of the input and of this output)\n", fastest[copy], middle[copy]
    printf "  run   %8.2f s  %6.2f s   %7.1f MB/s of input (fastest)\n", fastest[label], middle[label], ib / mb / fastest[label]
    printf "  cpu   %8.2f s  %6.2f s   peak memory %.0f MB\n", cpuFastest[label], cpuMiddle[label], top[label] / 1024
    printf "  ratio %8.2f    %6.2f     run / copy\n", fastest[label] / fastest[copy], middle[label] / middle[copy]
  }
}' "$times"
