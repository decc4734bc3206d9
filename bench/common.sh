# Shared by the benchmark scripts: run from the top of the tree, with the
# native targets a script names in bench_targets built (default: the viewer
# and the trace generator).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

# measure OUT CMD...: runs CMD with standard output into OUT and prints its
# elapsed seconds and peak resident size in KiB.
measure() {
  local out=$1
  shift
  { /usr/bin/time -f "%e %M" "$@" >"$out" </dev/null; } 2>&1 | tail -n 1
}

cmake --preset native >/dev/null
# shellcheck disable=SC2086
cmake --build --preset native --target ${bench_targets:-kavelin tracegen} >/dev/null
