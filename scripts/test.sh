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
source scripts/wine-env.sh
if wine_runs; then
  echo "== win32: tests under Wine"
  trap wine_stop EXIT
  wine_start build/win32
  # Where the kernel refuses 32-bit programs, Wine runs under QEMU's user-mode
  # emulator (scripts/setup.sh), and there about one Wine process in a few
  # hundred stalls at start-up, whatever it runs. A test that ran out of time is
  # run once more; a test that failed is not.
  ctest --test-dir build/win32 --output-on-failure -j "$jobs" --repeat after-timeout:2 || status=1
  wine_stop
  trap - EXIT
else
  # Nothing of the Win32 build can be run here; say so loudly rather than fail
  # every test for a reason that is not the code's. RAX_REQUIRE_WINE=1 makes it
  # an error (for machines that are meant to run them).
  echo "== win32: tests NOT run: Wine cannot start here. This machine's kernel refuses 32-bit"
  echo "   programs and no emulator could be registered for them (scripts/setup.sh needs root and"
  echo "   binfmt_misc for that). The Win32 build above compiled without warnings."
  if [ "${RAX_REQUIRE_WINE:-0}" = 1 ]; then status=1; fi
fi

if [ "$status" -ne 0 ]; then
  echo "FAILED: see the ctest output above"
fi
exit "$status"
