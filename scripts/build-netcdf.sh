#!/usr/bin/env bash
# Cross-builds netCDF-C for a Windows build from Debian's source package:
# classic formats only (CDF-1, CDF-2 64-bit offset, CDF-5), no HDF5/netCDF-4,
# no DAP, no byte-range, no NCZarr, no plugins, no utilities, no tests; one
# static library and its headers.
#
# Usage: scripts/build-netcdf.sh ARCH BUILD_DIR
#   ARCH       x86_64 or i686
#   BUILD_DIR  the builds' root folder (usually <repo>/build)
# Result: BUILD_DIR/netcdf/ARCH/install/{include,lib/libnetcdf.a}, which the
# Windows configurations find there. The source is fetched once into
# BUILD_DIR/netcdf/src. Nothing is done when the installed library was built
# from the same source version with the same options.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

if [ $# -ne 2 ]; then
  echo "usage: $0 x86_64|i686 BUILD_DIR" >&2
  exit 2
fi
arch=$1
build=$(mkdir -p "$2" && cd "$2" && pwd)

case "$arch" in
  x86_64) toolchain="$root/cmake/mingw-x86_64.cmake"; cflags="-O2" ;;
  # The shipped 32-bit program uses SSE2 arithmetic, not the x87 stack, so that
  # its doubles round as the 64-bit builds' do.
  i686)   toolchain="$root/cmake/mingw-i686.cmake"; cflags="-O2 -msse2 -mfpmath=sse" ;;
  *) echo "build-netcdf: unknown ARCH '$arch' (x86_64 or i686)" >&2; exit 2 ;;
esac

options=(
  -DBUILD_SHARED_LIBS=OFF
  -DENABLE_NETCDF_4=OFF -DENABLE_NETCDF4=OFF -DENABLE_HDF5=OFF -DENABLE_HDF4=OFF
  -DENABLE_DAP=OFF -DENABLE_DAP2=OFF -DENABLE_DAP4=OFF -DENABLE_BYTERANGE=OFF
  -DENABLE_NCZARR=OFF -DENABLE_NCZARR_S3=OFF -DENABLE_NCZARR_FILTERS=OFF
  -DENABLE_PLUGINS=OFF -DENABLE_FILTER_TESTING=OFF -DENABLE_LIBXML2=OFF
  -DBUILD_UTILITIES=OFF -DENABLE_EXAMPLES=OFF -DENABLE_TESTS=OFF
  -DENABLE_DOXYGEN=OFF -DENABLE_PARALLEL4=OFF -DENABLE_PNETCDF=OFF
  -DENABLE_LOGGING=OFF -DENABLE_MMAP=OFF
  -DCMAKE_DISABLE_FIND_PACKAGE_ZLIB=ON -DCMAKE_DISABLE_FIND_PACKAGE_Bz2=ON
  -DCMAKE_DISABLE_FIND_PACKAGE_CURL=ON -DCMAKE_DISABLE_FIND_PACKAGE_Zstd=ON
)

src_root="$build/netcdf/src"
work="$build/netcdf/$arch"
prefix="$work/install"
stamp="$prefix/davrolin-netcdf.stamp"

# The source: Debian's package of the archive the machine installs from.
fetch_source() {
  local list=/etc/apt/sources.list.d/davrolin-deb-src.sources
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  if ! apt-cache showsrc netcdf 2>/dev/null | grep -q '^Package: netcdf'; then
    if [ ! -f /etc/apt/sources.list.d/debian.sources ]; then
      echo "build-netcdf: no /etc/apt/sources.list.d/debian.sources to copy a deb-src entry from" >&2
      exit 1
    fi
    echo "build-netcdf: adding a deb-src entry for the same archive ($list)"
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources | $sudo tee "$list" >/dev/null
    $sudo apt-get update -qq || echo "build-netcdf: apt-get update reported errors; carrying on"
  fi
  if ! command -v dpkg-source >/dev/null; then
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends dpkg-dev
  fi
  mkdir -p "$src_root"
  (cd "$src_root" && apt-get source -qq netcdf)
}

source_dir() { find "$src_root" -mindepth 1 -maxdepth 1 -type d -name 'netcdf-*' 2>/dev/null | sort | tail -n 1; }

src=$(source_dir)
if [ -z "$src" ]; then
  fetch_source
  src=$(source_dir)
fi
if [ -z "$src" ] || [ ! -f "$src/debian/changelog" ]; then
  echo "build-netcdf: no netCDF source under $src_root" >&2
  exit 1
fi
version=$(dpkg-parsechangelog -l "$src/debian/changelog" -S Version)

# Our own patches to the source, each applied once.
patches=("$root"/scripts/netcdf-patches/*.patch)
for p in "${patches[@]}"; do
  if ! patch -d "$src" -p1 -R -s -f --dry-run <"$p" >/dev/null 2>&1; then
    echo "build-netcdf: applying $(basename "$p")"
    patch -d "$src" -p1 -s -f <"$p"
  fi
done

want="netcdf $version $arch | $cflags | ${options[*]} | $(cat "$toolchain" "${patches[@]}" | sha256sum | cut -c1-16)"

if [ -f "$stamp" ] && [ "$(cat "$stamp")" = "$want" ] && [ -f "$prefix/lib/libnetcdf.a" ]; then
  echo "build-netcdf: $arch netCDF $version is built ($prefix)"
  exit 0
fi

echo "build-netcdf: building netCDF $version for $arch"
start=$SECONDS
rm -rf "$work"
mkdir -p "$work"
cmake -S "$src" -B "$work/build" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$toolchain" -DCMAKE_INSTALL_PREFIX="$prefix" \
  -DCMAKE_C_FLAGS="$cflags" -DCMAKE_C_FLAGS_RELEASE="-DNDEBUG" \
  "${options[@]}" >"$work/configure.log" 2>&1 || {
  echo "build-netcdf: configure failed; see $work/configure.log" >&2
  tail -n 30 "$work/configure.log" >&2
  exit 1
}
cmake --build "$work/build" >"$work/build.log" 2>&1 || {
  echo "build-netcdf: build failed; see $work/build.log" >&2
  tail -n 30 "$work/build.log" >&2
  exit 1
}
cmake --install "$work/build" >"$work/install.log" 2>&1
if [ ! -f "$prefix/lib/libnetcdf.a" ]; then
  echo "build-netcdf: no $prefix/lib/libnetcdf.a after the install" >&2
  exit 1
fi
printf '%s\n' "$want" >"$stamp"
echo "build-netcdf: $arch netCDF $version built in $((SECONDS - start)) s ($prefix)"
