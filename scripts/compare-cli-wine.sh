#!/usr/bin/env bash
# Runs davrolin-unpack natively and the Windows davrolin-unpack.exe of each
# Windows build under wine (64-bit or 32-bit, as the program is) on the same
# sample deployments with the same options, and fails unless every output file
# is the same bytes (the activity log aside: it holds paths, the build time and
# the local date).
# Usage: scripts/compare-cli-wine.sh NATIVE_BUILD WINDOWS_BUILD...
#   e.g. scripts/compare-cli-wine.sh build/native build/win64 build/win32
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
native=$1; shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Wine shows the whole file system as drive Z:.
winpath() { echo "Z:${1//\//\\}"; }

# The export's metadata file; its date_created is pinned, so the .nc files
# are the same bytes from run to run. An option "{metadata}" stands for its
# path, natively or as wine sees it.
metadata=$work/metadata.ini
# Its title is in the ANSI code page (0xE9: e acute), as an older Windows
# editor saves it; the export writes it as UTF-8.
printf '[METADATA]\r\ndate_created = 2024-07-02T00:00:00Z\r\ntitle = Sample deployment caf\xe9\r\n' >"$metadata"
with_metadata() {  # native|wine options...
  local how=$1 a; shift
  for a in "$@"; do
    if [ "$a" = "{metadata}" ]; then
      if [ "$how" = wine ]; then winpath "$metadata"; else echo "$metadata"; fi
    else
      echo "$a"
    fi
  done
}

status=0
run_case() {  # windows-build name firmware options...
  local win name=$2 firmware=$3
  win=$(cd "$1" && pwd)  # wine wants an absolute prefix
  shift 3
  local exe=$win/cli/davrolin-unpack.exe arch tag
  case "$(x86_64-w64-mingw32-objdump -f "$exe" | sed -n 's/.*file format //p')" in
    pei-i386) arch=win32 ;;
    *) arch=win64 ;;
  esac
  tag="$name ($arch)"
  # FIRMWARE-damaged: the sample with a CTD file cut among the scans and an
  # engineering file missing (the export's times fall back on others).
  local src=$work/src-$firmware
  if [ "$firmware" != "${firmware%-damaged}" ] && [ ! -d "$src" ]; then
    "$native/sample/davrolin-make-sample" --firmware "${firmware%-damaged}" "$src"
    truncate -s 91 "$src/C0000004.DAT"
    rm -f "$src/E0000008.DAT"
  fi
  # FIRMWARE-large: scans and profiles enough for the export to write them
  # straight into the netCDF files' data, the grid's rows too (over 1 MiB of
  # each).
  if [ "$firmware" != "${firmware%-large}" ] && [ ! -d "$src" ]; then
    "$native/sample/davrolin-make-sample" --firmware "${firmware%-large}" --last-profile 149 --scans 3000 "$src"
  fi
  firmware=${firmware%-damaged}
  firmware=${firmware%-large}
  local native_args=() wine_args=()
  mapfile -t native_args < <(with_metadata native "$@")
  mapfile -t wine_args < <(with_metadata wine "$@")
  [ -d "$src" ] || "$native/sample/davrolin-make-sample" --firmware "$firmware" "$src"
  if [ ! -d "$work/$name-native" ]; then
    "$native/cli/davrolin-unpack" --quiet --firmware "$firmware" "${native_args[@]}" "$src" "$work/$name-native" >/dev/null 2>&1 || true
  fi
  local out=$work/$name-$arch
  WINEPREFIX=$win/wineprefix DAVROLIN_WINE_TIMEOUT=300 "$root/cmake/wine-run.sh" "$arch" "$exe" \
    --quiet --firmware "$firmware" "${wine_args[@]}" "$(winpath "$src")" "$(winpath "$out")" >/dev/null 2>&1 || true
  if [ ! -d "$out" ] || ! diff -r -x DAVROLIN.LOG "$work/$name-native" "$out" >/dev/null ||
     [ ! -f "$out/DAVROLIN.LOG" ]; then
    echo "compare-cli-wine: $tag differs between Linux and wine" >&2
    diff -r -x DAVROLIN.LOG "$work/$name-native" "$out" | head -20 >&2 || true
    status=1
  else
    echo "compare-cli-wine: $tag: $(ls "$work/$name-native" | wc -l) files, same bytes"
  fi
}

for win in "$@"; do
  run_case "$win" machine-304 3.04
  run_case "$win" human-304 3.04 --human --prefix S_
  run_case "$win" range-304 3.04 --human --kinds engineering,ctd,acm --profiles 5-9
  run_case "$win" machine-301 3.01
  run_case "$win" human-301 3.01 --human --profile 6
  run_case "$win" export-304 3.04 --export netcdf,csv --metadata "{metadata}" --latitude -33.5 --longitude 151.25
  run_case "$win" export-301 3.01 --export netcdf,csv --no-text --metadata "{metadata}" --latitude 11 --longitude -30.5 --profiles 2-9
  run_case "$win" export-damaged 3.04-damaged --export netcdf,csv --no-text --metadata "{metadata}" --latitude -33.5 --longitude 151.25
  run_case "$win" export-large 3.04-large --export netcdf,csv --no-text --jobs 2 --metadata "{metadata}" --latitude -33.5 --longitude 151.25
done
exit $status
