#!/usr/bin/env bash
# Installs the Debian packages the builds and tests need, when they are missing.
# Safe to run again: it does nothing when everything is there.
set -u

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake ninja-build g++ googletest libgtest-dev libbenchmark-dev libcli11-dev \
         g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix binutils-mingw-w64-x86-64 \
         binutils-mingw-w64-i686 wine wine64 xvfb xauth clang libclang-rt-14-dev \
         fp-utils imagemagick \
         libnetcdf-dev netcdf-bin python3-netcdf4 python3-gsw python3-xarray python3-pandas dpkg-dev; do
  have_pkg "$p" || need+=("$p")
done

if [ ${#need[@]} -eq 0 ]; then
  exit 0
fi

echo "install-deps: installing ${need[*]}"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
# A failed index for a foreign architecture must not stop us: what counts is
# whether the packages install.
$SUDO apt-get update -qq || echo "install-deps: apt-get update reported errors; carrying on"
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${need[@]}"
rc=$?
for p in "${need[@]}"; do
  if ! have_pkg "$p"; then
    echo "install-deps: package $p could not be installed (apt-get exit $rc)" >&2
    exit 1
  fi
done
exit 0
