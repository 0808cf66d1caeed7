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
# A green run means the shipped program was tested: when 32-bit wine cannot
# start a program here, this step fails and says why.
if ! out=$(WINEPREFIX="$build/win32/wineprefix" DAVROLIN_WINE_TIMEOUT=60 wine_run win32 --version 2>&1); then
  echo "test.sh: 32-bit wine cannot run here, so the shipped i686 program is not tested." >&2
  echo "test.sh: 'wine --version' with the 32-bit loader said: $out" >&2
  echo "test.sh: a loader that cannot start at all ('Exec format error', or the shell's" >&2
  echo "test.sh: 'Syntax error' when it reads the program as a script) means the kernel" >&2
  echo "test.sh: runs no 32-bit programs (dmesg: '32-bit emulation disabled')." >&2
  exit 1
fi
prepare_prefix win32 "$build/win32"
xvfb-run -a ctest --test-dir "$build/win32" --output-on-failure

step "davrolin-unpack.exe under wine, x86_64 and i686: the same bytes as natively"
bash "$root/scripts/compare-cli-wine.sh" "$build/native" "$build/win64" "$build/win32"

step "all tests passed"
