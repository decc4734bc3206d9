# Shared by the benchmark scripts: run from the top of the tree, with the
# native targets a script names in bench_targets built (default: the viewer
# and the trace generator).
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

# measure OUT CMD...: runs CMD with standard output into OUT and prints its
# elapsed seconds (to the millisecond: time(1) gives hundredths only, too
# coarse for runs of a fifth of a second) and peak resident size in KiB.
measure() {
  local out=$1 start end rss
  shift
  start=$(date +%s%N)
  # (the command may fail: the viewer ends with "No trace handlers found")
  rss=$({ /usr/bin/time -f "%M" "$@" >"$out" </dev/null; } 2>&1 | tail -n 1) || true
  end=$(date +%s%N)
  printf '%d.%03d %s\n' $(((end - start) / 1000000000)) $(((end - start) / 1000000 % 1000)) "$rss"
}

cmake --preset native >/dev/null
# shellcheck disable=SC2086
cmake --build --preset native --target ${bench_targets:-kavelin tracegen} >/dev/null
