#!/usr/bin/env bash
# Runs the host program on a copy of the sample directory store under a virtual
# display and saves a picture of it. With RAX_DIRECTORY_URL set (and its
# identity, RAX_DIRECTORY_BIND_DN and RAX_DIRECTORY_PASSWORD_FILE), the host
# shows that directory server instead.
#
#   scripts/host-screenshot.sh OUT.png [OBJECT [PAGE]]
#
# Without OBJECT the picture shows the object list; with it, that object's
# property sheet (PAGE: which tab to show first, from 1). Needs the win32 build.
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
out=$1
object=${2:-}
page=${3:-1}

bin=$top/build/win32/bin
[ -f "$bin/RAXHOST.EXE" ] || { echo "build the win32 preset first" >&2; exit 1; }

# A prefix of its own with the ordinary (X11) graphics driver; the test prefix
# uses the null driver and draws nothing.
export WINEPREFIX=$top/build/win32/wineprefix-x11 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
work=$(mktemp -d)
display=:$((70 + RANDOM % 20))
cleanup() {
  wineserver -k >/dev/null 2>&1 </dev/null || true
  [ -n "${xpid:-}" ] && kill "$xpid" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 </dev/null & xpid=$!
export DISPLAY=$display
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  wineboot -i >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
fi

args=()
if [ -z "${RAX_DIRECTORY_URL:-}" ]; then
  cp "$top/samples/store/kestrel.ldif" "$work/store.ldif"
  args=(/store "Z:${work//\//\\}\\store.ldif")
fi
[ -n "$object" ] && args+=(/open "$object" /page "$page")
(cd "$bin" && wine explorer /desktop=host,720x480 RAXHOST.EXE "${args[@]}" >/dev/null 2>&1 </dev/null &)

# Wait for the virtual desktop and give the host time to draw.
for _ in $(seq 1 40); do
  # Until the virtual display is up, xwininfo fails: keep waiting.
  id=$(xwininfo -root -tree 2>/dev/null | awk '/"host - Wine desktop"/{print $1; exit}') || id=
  [ -n "$id" ] && break
  sleep 0.5
done
[ -n "${id:-}" ] || { echo "the host window did not appear" >&2; exit 1; }
sleep 5
import -window "$id" "$out"
echo "saved $out"
