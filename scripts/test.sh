#!/usr/bin/env bash
# Builds every configuration and runs every test: native (g++), native with
# AddressSanitizer and UndefinedBehaviorSanitizer, and the Win32 build under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash scripts/setup.sh

jobs=$(nproc)
status=0

run_native() {
  local preset=$1
  echo "== $preset: configure and build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  echo "== $preset: tests"
  ctest --test-dir "build/$preset" --output-on-failure -j "$jobs" || status=1
}

run_native native
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_native asan

echo "== win32: configure and build"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
echo "== win32: tests under Wine"
source scripts/wine-env.sh
trap wine_stop EXIT
wine_start build/win32
ctest --test-dir build/win32 --output-on-failure -j "$jobs" || status=1
wine_stop
trap - EXIT

if [ "$status" -ne 0 ]; then
  echo "FAILED: see the ctest output above"
fi
exit "$status"
