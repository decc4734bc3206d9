#!/usr/bin/env bash
# Sets up the machine, builds the native viewer and opens the bundled sample
# trace in it: interactively on a terminal, otherwise as a /NOPAUSE listing.
#
# The viewer reads its INI file from beside the program (kavelin.ini on
# POSIX), so the demo runs a copy of the program in build/native/demo/ with
# the sample INI beside it when the build made one (the sample decoder
# plug-in for the PPP source of the trace); an INI already placed there is
# kept. The work file is written beside the demo's copy of the trace.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD

bash scripts/setup.sh

cmake --preset native >&2
cmake --build --preset native -j "$(nproc)" --target kavelin >&2
if cmake --build --preset native --target help 2>/dev/null | grep -q '^pppdec'; then
  cmake --build --preset native -j "$(nproc)" --target pppdec >&2
fi

demo=$top/build/native/demo
mkdir -p "$demo"
cp -f build/native/bin/kavelin "$demo/kavelin"
if [ ! -f "$demo/kavelin.ini" ] && [ -f build/native/samples/plugins/kavelin.ini ]; then
  cp build/native/samples/plugins/kavelin.ini "$demo/kavelin.ini"
fi
cp -f samples/traces/sample.trc "$demo/sample.trc"

level=0
if [ -f "$demo/kavelin.ini" ]; then
  level=2   # hand the events of sources with a plug-in to it
fi

if [ -t 0 ] && [ -t 1 ]; then
  echo "Keys: N (or any other key) next event, P previous event, X exit."
  exec "$demo/kavelin" "$demo/sample.trc" /L "$level"
else
  exec "$demo/kavelin" "$demo/sample.trc" /NOPAUSE /L "$level"
fi
