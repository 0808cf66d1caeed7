#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build/fuzz) and runs each of them
# for a bounded time from its seed corpus in fuzz/corpus/<name>/.
#
#   scripts/fuzz.sh                 short run, about a minute for all targets
#                                   (part of scripts/test.sh)
#   scripts/fuzz.sh 600             ten minutes per target
#   scripts/fuzz.sh 600 engineering only the targets named
#
# New inputs the fuzzer finds go to build/fuzz/work/<name>/, never into the
# repository; a crash, a leak or an input slower than a second stops the run
# and leaves the input in build/fuzz/findings/. Replay one with
#   build/fuzz/fuzz_<name> build/fuzz/findings/<file>
# and, to keep an interesting input as a seed, copy it into fuzz/corpus/<name>/.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${DAVROLIN_BUILD_DIR:-$root/build}/fuzz
seconds=${1:-}
shift || true

# Configured once; later builds pick up changes of the CMake files themselves.
if [ ! -f "$build/build.ninja" ]; then
  CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DDAVROLIN_FUZZ=ON -DDAVROLIN_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target fuzz_all -- -j2

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for source in "$root"/fuzz/fuzz_*.cpp; do
    name=$(basename "$source" .cpp)
    name=${name#fuzz_}
    [ "$name" = support ] || targets+=("$name")
  done
fi
# The short run shares about a minute among the targets.
if [ -z "$seconds" ]; then
  seconds=$(( 60 / ${#targets[@]} ))
  [ "$seconds" -ge 3 ] || seconds=3
fi

mkdir -p "$build/findings"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for name in "${targets[@]}"; do
  corpus="$root/fuzz/corpus/$name"
  work="$build/work/$name"
  mkdir -p "$corpus" "$work"
  printf -- '---- fuzz_%s: %s s\n' "$name" "$seconds"
  "$build/fuzz_$name" -max_total_time="$seconds" -timeout=1 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=0 -artifact_prefix="$build/findings/$name-" "$work" "$corpus" 2>"$build/$name.log" || {
    tail -n 60 "$build/$name.log" >&2
    echo "fuzz_$name failed; the input is in $build/findings/" >&2
    exit 1
  }
  grep -E '^#[0-9]+ +DONE' "$build/$name.log" || tail -n 1 "$build/$name.log"
done
