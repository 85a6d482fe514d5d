#!/usr/bin/env bash
# Builds and runs every test twice: an optimised build (build/) and a build with
# AddressSanitizer and UndefinedBehaviorSanitizer (build-asan/); then runs every file
# reader's fuzzer for a bounded time (build-fuzz/, clang-14). Any failure, sanitizer
# report or fuzzer crash fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

jobs=$(nproc)

# Includes point down the layers (platform < engine < modules < document < ... < tools).
bash scripts/check_layers.sh

# Panel tests that need a display get a private X server.
if [ -z "${DISPLAY:-}" ] && command -v Xvfb >/dev/null; then
  for n in $(seq 90 120); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    trap 'kill $xvfb_pid 2>/dev/null || true' EXIT
    export DISPLAY=":$n"
    for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    break
  done
fi

echo "== optimised build"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 600

echo "== sanitizer build (ASan + UBSan)"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKORVANE_SANITIZE=ON -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 900

# The thread tests of the application object (two instances side by side, stops and
# starts against a running audio thread) under ThreadSanitizer; only that target is built.
echo "== thread sanitizer (application threads)"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVANE_TSAN=ON \
  -DKORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j "$jobs" --target kv_app_threads_test
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 build-tsan/tests/app/kv_app_threads_test

# The whole plug-in under ThreadSanitizer, as a host drives it: the plug-in object's tests
# (a fake engine behind the real gate), then korvane-host's stress, whose audio thread makes
# events, process and automation calls while the other thread resumes, suspends, changes
# rates, programs and chunks, on the demo patch and on the stress patch. Any report ends
# the run (halt_on_error; the stress child's report makes korvane-host fail).
echo "== thread sanitizer (plug-in under host stress)"
cmake --build build-tsan -j "$jobs" --target korvane korvane-host korvane-patch kv_plugin_object_tests
tsan_stress=build-tsan/stress
mkdir -p "$tsan_stress"
build-tsan/korvane-patch build demo/korvane-demo.json -o "$tsan_stress/demo.so" --plugin build-tsan/korvane.so
build-tsan/korvane-patch build tests/plugin/patches/stress_synth.json -o "$tsan_stress/stress-synth.so" \
  --plugin build-tsan/korvane.so
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
build-tsan/tests/plugin/kv_plugin_object_tests
build-tsan/korvane-host stress "$tsan_stress/demo.so" --seed 11 --calls 3000
build-tsan/korvane-host stress "$tsan_stress/stress-synth.so" --seed 3 --calls 3000
unset TSAN_OPTIONS

# Every file reader's fuzzer (tests/<area>/fuzz/<what>_fuzz.cpp, target <what>_fuzz) runs
# for a bounded time over its seed corpus; a crash, sanitizer report or broken invariant
# fails the run.
if command -v clang++-14 >/dev/null; then
  echo "== fuzzing (libFuzzer, clang-14)"
  cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
    -DKORVANE_FUZZ=ON -DKORVANE_BUILD_BENCH=OFF >/dev/null
  cmake --build build-fuzz -j "$jobs" --target kv_fuzzers
  fuzz_seconds=${KORVANE_FUZZ_SECONDS:-30}
  for corpus_file in build-fuzz/fuzz/*.corpus; do
    name=$(basename "$corpus_file" .corpus)
    work="build-fuzz/fuzz/$name.work"
    mkdir -p "$work"
    echo "-- $name for ${fuzz_seconds}s"
    log="build-fuzz/fuzz/$name.log"
    if ! "build-fuzz/fuzz/$name" -max_total_time="$fuzz_seconds" -print_final_stats=1 \
        -artifact_prefix="build-fuzz/fuzz/$name-" "$work" "$(cat "$corpus_file")" >"$log" 2>&1; then
      tail -n 40 "$log"
      echo "fuzzer $name failed (log: $log)" >&2
      exit 1
    fi
    grep -E "^stat::number_of_executed_units|^Done" "$log" || true
  done
else
  echo "== fuzzing skipped: clang++-14 is not installed" >&2
  [ "${CI:-}" != "true" ] || exit 1
fi
