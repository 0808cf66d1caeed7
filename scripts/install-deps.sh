#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when they are missing.
# Safe to run again: it does nothing when everything is there.
#   install-deps.sh           what scripts/test.sh needs: every build and test
#   install-deps.sh sample    what scripts/run-sample.sh needs: the native
#                             converter, netCDF-C and the quick look's Python
set -u

# The native build of davrolin-unpack and the sample tool, netCDF-C, and the
# Python packages the quick look imports.
sample_packages=(cmake ninja-build g++ libcli11-dev libnetcdf-dev
                 python3-numpy python3-netcdf4 python3-xarray python3-matplotlib python3-gsw)
# Beside those, for the tests: GoogleTest, the benchmarks, MinGW-w64 for both
# Windows builds, wine and Xvfb, clang for the sanitizers and fuzz targets, the
# help compiler, the export's and the quick look's checks (netCDF tools,
# pandas, Pillow, Chromium), dpkg-dev for netCDF-C's source package, and the
# data centres' CF checkers that the export's tests run (python3-cftime on),
# and the Python package davrolin with davrolin-batch (pybind11, Dask, Zarr,
# tqdm).
test_packages=(googletest libgtest-dev libbenchmark-dev
               g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64
               binutils-mingw-w64-i686 wine wine64 xvfb xauth clang libclang-rt-14-dev
               fp-utils imagemagick netcdf-bin python3-pandas python3-pil chromium dpkg-dev
               python3-cftime python3-lxml python3-jinja2 python3-packaging python3-isodate
               python3-pendulum python3-regex python3-shapely python3-geojson python3-geographiclib python3-ruamel.yaml python3-pygeoif python3-pyproj
               python3-requests python3-validators python3-future libudunits2-0 libudunits2-data
               libudunits2-dev python3-dev gcc libc6-dev
               pybind11-dev python3-pybind11 python3-dask python3-distributed python3-zarr
               python3-tqdm)

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

case "${1:-}" in
  "") wanted=("${sample_packages[@]}" "${test_packages[@]}") ;;
  sample) wanted=("${sample_packages[@]}") ;;
  *) echo "usage: $0 [sample]" >&2; exit 2 ;;
esac
for p in "${wanted[@]}"; do
  have_pkg "$p" || need+=("$p")
done

# 32-bit wine runs the shipped i686 program's tests; it needs Debian's i386
# architecture beside the machine's own (dpkg --add-architecture i386, below).
if [ -z "${1:-}" ]; then
  have_pkg wine32:i386 || need+=(wine32:i386)
fi

# The data centres' checkers (third-party, beside the repository), for the
# tests: unpacked and built once into their cache.
cf_setup() {
  [ -z "${1:-}" ] || return 0
  # Beside the repository, or for a clone elsewhere, where this workplace keeps them.
  local checkers=${DAVROLIN_CF_CHECKERS:-$(dirname "$0")/../../shared/tools/cf-checkers/check-cf.sh}
  [ -x "$checkers" ] || [ -n "${DAVROLIN_CF_CHECKERS:-}" ] || checkers=/work/shared/tools/cf-checkers/check-cf.sh
  if [ -x "$checkers" ]; then
    "$checkers" --setup-only 2>/dev/null || { echo "install-deps: $checkers --setup-only failed" >&2; return 1; }
  else
    echo "install-deps: no CF checkers at $checkers (set DAVROLIN_CF_CHECKERS); the export's CF test will fail" >&2
  fi
}

if [ ${#need[@]} -eq 0 ]; then
  cf_setup "${1:-}"
  exit $?
fi

echo "install-deps: installing ${need[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
if [[ " ${need[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  if ! $SUDO dpkg --add-architecture i386; then
    echo "install-deps: cannot add the i386 architecture, so 32-bit wine (wine32:i386) cannot be installed" >&2
    exit 1
  fi
fi
# A failed index for a foreign architecture must not stop us: what counts is
# whether the packages install.
$SUDO apt-get update -qq || echo "install-deps: apt-get update reported errors; carrying on"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
rc=$?
for p in "${need[@]}"; do
  if ! have_pkg "$p"; then
    echo "install-deps: package $p could not be installed (apt-get exit $rc)" >&2
    [[ $p == *:i386 ]] && echo "install-deps: without it the shipped 32-bit program cannot be tested" >&2
    exit 1
  fi
done
cf_setup "${1:-}"
