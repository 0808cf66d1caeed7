#!/usr/bin/env bash
# Installs what is missing, builds the three configurations and runs every test:
#   native Linux        build/native   (the suites, natively)
#   Windows x86_64      build/win64    (the same portable suite and the Win32 tests, under wine)
#   Windows i686        build/win32    (the shipped 32-bit program: the same suites, under 32-bit wine)
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
# (the test suites and benchmarks are named: scripts/run-sample.sh may have
# configured this folder without them)
cmake -S "$root" -B "$build/native" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDAVROLIN_TESTS=ON -DDAVROLIN_BENCH=ON >/dev/null
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
bash "$root/scripts/check-no-x87.sh" "$build/win32"

# Gives a build folder its own wine prefix, once: win64 or win32 (a 32-bit
# prefix for the shipped program).
wine_run() { "$root/cmake/wine-run.sh" "$@"; }
prepare_prefix() {  # win64|win32 build-folder
  local arch=$1
  export WINEPREFIX="$2/wineprefix"
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    DAVROLIN_WINE_TIMEOUT=300 xvfb-run -a "$root/cmake/wine-run.sh" "$arch" wineboot -i >/dev/null 2>&1 || true
    wine_run "$arch" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1 || true
  fi
  # Xvfb has no window manager: unmanaged windows spare wine a two-second wait
  # for each window destroyed.
  if ! grep -q '"Managed"="N"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine_run "$arch" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1 || true
  fi
}

step "Windows x86_64 tests under wine (headless)"
prepare_prefix win64 "$build/win64"
xvfb-run -a ctest --test-dir "$build/win64" --output-on-failure

step "Windows i686 tests under 32-bit wine (headless): the shipped program"
# A green run means the shipped program was tested wherever the kernel can run
# 32-bit programs: when 32-bit wine is there and cannot start a program, this
# step fails and says why. A kernel built or booted without 32-bit support
# (dmesg: '32-bit emulation disabled'; the i386 loader itself gives 'Exec
# format error') runs no i686 code at all: then the step says so in a banner,
# the guards that need no execution (check-no-x87.sh, check-static.sh) stand
# in, and the x86_64 build is compared alone.
compare_builds=("$build/win64")
loader=0
/lib/ld-linux.so.2 --version >/dev/null 2>&1 || loader=$?
if [ "$loader" -eq 126 ] || [ "$loader" -eq 127 ] && [ -e /lib/ld-linux.so.2 ]; then
  cat >&2 <<'BANNER'
test.sh: ********************************************************************
test.sh: *  THE i686 SUITES AND THE i686 BYTE COMPARISON DID NOT RUN.        *
test.sh: *  This kernel runs no 32-bit programs (its i386 loader gives       *
test.sh: *  'Exec format error'; boot option ia32_emulation=on lifts it).   *
test.sh: *  The i686 build was compiled, linked, checked for DLLs and for    *
test.sh: *  x87 arithmetic only. Run scripts/test.sh on a machine with       *
test.sh: *  32-bit support to test the shipped program.                     *
test.sh: ********************************************************************
BANNER
elif ! out=$(WINEPREFIX="$build/win32/wineprefix" DAVROLIN_WINE_TIMEOUT=60 wine_run win32 --version 2>&1); then
  echo "test.sh: 32-bit wine cannot run here, so the shipped i686 program is not tested." >&2
  echo "test.sh: 'wine --version' with the 32-bit loader said: $out" >&2
  exit 1
else
  prepare_prefix win32 "$build/win32"
  xvfb-run -a ctest --test-dir "$build/win32" --output-on-failure
  compare_builds+=("$build/win32")
fi

step "davrolin-unpack.exe under wine: the same bytes as natively"
bash "$root/scripts/compare-cli-wine.sh" "$build/native" "${compare_builds[@]}"

step "all tests passed"
