#!/usr/bin/env bash
# Installs what is missing, builds the three configurations and runs every test:
#   native Linux        build/native   (the suites, natively)
#   Windows x86_64      build/win64    (the same portable suite and the Win32 tests, under wine)
#   Windows i686        build/win32    (the shipped 32-bit program: compiled and linked)
#   native, sanitized   build/asan     (the native suites with AddressSanitizer and UBSan)
#   fuzz targets        build/fuzz     (clang, libFuzzer: a short bounded run, scripts/fuzz.sh)
# Usage: scripts/test.sh            (from anywhere; builds under <repo>/build)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAVROLIN_BUILD_DIR:-$root/build}

step() { printf '\n==== %s (%d s in)\n' "$*" "$SECONDS"; }

step "installing missing packages"
bash "$root/scripts/install-deps.sh"

step "native build and tests"
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build/native"
ctest --test-dir "$build/native" --output-on-failure

step "native build and tests with AddressSanitizer and UndefinedBehaviorSanitizer"
# clang: it compiles the sanitized suite several times faster than g++.
if ! grep -qs 'CMAKE_CXX_COMPILER:.*clang' "$build/asan/CMakeCache.txt"; then
  rm -rf "$build/asan"
  CC=clang CXX=clang++ cmake -S "$root" -B "$build/asan" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDAVROLIN_SANITIZE=ON -DDAVROLIN_BENCH=OFF >/dev/null
fi
cmake --build "$build/asan"
ASAN_OPTIONS=detect_leaks=1:check_initialization_order=1:strict_string_checks=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$build/asan" --output-on-failure

step "fuzz targets, a short bounded run of each"
bash "$root/scripts/fuzz.sh"

step "netCDF-C for Windows, cross-built once from Debian's source (cached under $build/netcdf)"
bash "$root/scripts/build-netcdf.sh" x86_64 "$build"
bash "$root/scripts/build-netcdf.sh" i686 "$build"

step "Windows x86_64 build"
cmake -S "$root" -B "$build/win64" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DDAVROLIN_BENCH=OFF >/dev/null
cmake --build "$build/win64"

step "Windows i686 build (the shipped program)"
cmake -S "$root" -B "$build/win32" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DDAVROLIN_BENCH=OFF >/dev/null
cmake --build "$build/win32"
bash "$root/scripts/check-static.sh" "$build/win32" "$build/win64"

step "Windows x86_64 tests under wine (headless)"
export WINEPREFIX="$build/win64/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  timeout 300 xvfb-run -a wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  wineserver -w || true
fi
# Xvfb has no window manager: unmanaged windows spare wine a two-second wait
# for each window destroyed.
if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  wineserver -w || true
fi
xvfb-run -a ctest --test-dir "$build/win64" --output-on-failure

step "davrolin-unpack under wine: the same bytes as natively"
bash "$root/scripts/compare-cli-wine.sh" "$build/native" "$build/win64"

step "all tests passed"
