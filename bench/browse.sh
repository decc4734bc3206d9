#!/usr/bin/env bash
# Listing speed against xxd: a 256 MiB trace is listed by the viewer with
# /NOPAUSE at level 0 into /dev/null, and dumped by xxd into /dev/null, each
# five times in turns from a warm cache (the work file is prepared first and
# reused); the best times are compared. Target: the viewer at least 3 times
# as fast as xxd.
source "$(dirname "$0")/common.sh"
plugin=""
for candidate in pppdec testplug_a; do
  if cmake --build --preset native --target "$candidate" >/dev/null 2>&1; then
    plugin=$top/build/native/bin/$candidate.so
    break
  fi
done
if [ -z "$plugin" ]; then
  echo "no plug-in to configure: the viewer shows no event without one" >&2
  exit 1
fi

tmp=$top/build/bench-browse
rm -rf "$tmp"
mkdir -p "$tmp"
trap 'rm -rf "$tmp"' EXIT

# The viewer shows events only when its INI file names a plug-in; the one
# named here claims a source that the trace does not use (and /L 0 dumps
# every event anyway).
cp build/native/bin/kavelin "$tmp/kavelin"
printf '[TraceHandlers]\nCount=1\nHandler.1=%s\n' "$plugin" > "$tmp/kavelin.ini"
echo "generating a 256 MiB trace..."
build/native/bin/tracegen -o "$tmp/BENCH.TRC" --seed 43 --bytes 256M --min-data 16 --max-data 1500 --sources 1,2,3
"$tmp/kavelin" "$tmp/BENCH.TRC" /NOPAUSE /L 0 >/dev/null </dev/null   # prepares the work file
cat "$tmp/BENCH.TRC" "$tmp/BENCH.TMP" >/dev/null

best_view=""
best_xxd=""
for round in 1 2 3 4 5; do
  read -r v rss < <(measure /dev/null "$tmp/kavelin" "$tmp/BENCH.TRC" /NOPAUSE /L 0)
  read -r x _ < <(measure /dev/null xxd "$tmp/BENCH.TRC")
  echo "round $round: viewer ${v}s (peak ${rss} KiB), xxd ${x}s"
  best_view=$(python3 -c "print(min(float('${best_view:-1e9}'), $v))")
  best_xxd=$(python3 -c "print(min(float('${best_xxd:-1e9}'), $x))")
done
size=$(stat -c %s "$tmp/BENCH.TRC")
python3 - "$best_view" "$best_xxd" "$size" <<'PY'
import sys
view, xxd, size = float(sys.argv[1]), float(sys.argv[2]), int(sys.argv[3])
mib = size / 2**20
print(f"trace {mib:.0f} MiB: viewer {view:.3f}s ({mib/view:.0f} MiB/s), xxd {xxd:.3f}s ({mib/xxd:.0f} MiB/s)")
print(f"ratio xxd/viewer: {xxd/view:.2f} (target >= 3)")
PY
