#!/usr/bin/env bash
# The main job on the bundled samples, after setting up the machine:
#
# 1. the trace viewer, built natively, on the sample trace: interactively on a
#    terminal, otherwise as a /NOPAUSE listing. The viewer reads its INI file
#    from beside the program (kavelin.ini on POSIX), so the demo runs a copy of
#    the program in build/native/demo/ with the sample INI beside it when the
#    build made one (the sample decoder plug-in for the PPP source of the
#    trace); an INI already placed there is kept. The work file is written
#    beside the demo's copy of the trace.
# 2. the directory administrator host with the snap-in, built for Win32, on a
#    copy of the sample directory store, under Wine: in a window when there is
#    a display, otherwise under a virtual display, saving a picture of a
#    user's property sheet to build/demo/host.png.
# 3. the same host against a directory server: a private slapd on a free
#    loopback port, seeded from the sample (scripts/directory-server.sh, under
#    build/demo/ldap, made afresh each run and stopped however the demo ends).
#    As the administrator, headless: the server's objects, then Ann's pages
#    with her idle timeout typed and saved, the change read back with
#    ldapsearch; then her sheet in a window on a display, otherwise a picture
#    of it in build/demo/host-ldap.png.
# Where Wine cannot run (a kernel without 32-bit emulation) the host is left
# out: step 3 then makes the host's directory calls natively (dirreplay).
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
  "$demo/kavelin" "$demo/sample.trc" /L "$level" || true
else
  "$demo/kavelin" "$demo/sample.trc" /NOPAUSE /L "$level" || true
fi

# The snap-in in the host.
echo "== building the snap-in, the host and the stand-ins for Win32" >&2
cmake --preset win32 >&2
cmake --build --preset win32 -j "$(nproc)" --target RAXHOST RAXADM95 langsup32 svclib32 >&2
mkdir -p "$top/build/demo"
source scripts/wine-env.sh
wine_ok=1
if ! wine_runs; then
  wine_ok=0
  echo "Wine cannot start here (this kernel refuses 32-bit programs): the host is not shown" >&2
elif [ -n "${DISPLAY:-}" ]; then
  cp -f samples/store/kestrel.ldif "$top/build/demo/directory.ldif"
  store="Z:${top//\//\\}\\build\\demo\\directory.ldif"
  echo "Opening the host on a copy of the sample directory: $top/build/demo/directory.ldif" >&2
  export WINEPREFIX=$top/build/win32/wineprefix-x11 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  (cd build/win32/bin && wine RAXHOST.EXE /store "$store")
else
  scripts/host-screenshot.sh "$top/build/demo/host.png" 'CN=Ann.OU=Sales.O=Kestrel' 2
fi

# The host against a directory server seeded from the sample.
echo "== the host against a directory server (slapd) seeded from the sample" >&2
ldap_dir=$top/build/demo/ldap
stop_server() { scripts/directory-server.sh stop "$ldap_dir" >/dev/null 2>&1 || true; }
trap stop_server EXIT
trap 'exit 130' INT
trap 'exit 143' TERM HUP
stop_server   # one left running by an interrupted demo
rm -rf "$ldap_dir"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
settings=$(scripts/directory-server.sh start "$ldap_dir" "$port")
echo "$settings"
eval "export $settings"
server=${RAX_DIRECTORY_URL%/*}
ann='CN=Ann.OU=Sales.O=Kestrel' ann_dn='cn=Ann,ou=Sales,o=Kestrel'
idle_control=1089   # the idle timeout field on the user's first page
show_idle() {
  ldapsearch -x -LLL -o ldif-wrap=no -H "$server" -D "$RAX_DIRECTORY_BIND_DN" -y "$RAX_DIRECTORY_PASSWORD_FILE" \
    -b "$ann_dn" -s base Dravon-Idle-Timeout | grep -v '^$'
}
echo "-- ldapsearch, before:"
show_idle
if [ "$wine_ok" = 1 ]; then
  (
    wine_start build/win32
    trap wine_stop EXIT
    host() { wine build/win32/bin/RAXHOST.EXE "$@" </dev/null; }
    echo "-- RAXHOST /list"
    host /list
    echo "-- RAXHOST /headless /open '$ann' /field 1 $idle_control 45 /ok"
    host /headless /open "$ann" /field 1 "$idle_control" 45 /ok
  )
else
  # The same directory calls as the host's, made natively (no Wine needed).
  cmake --build --preset native --target dirreplay >&2
  echo "-- dirreplay - '$ann' --list --idle 45   (the host's calls, natively)"
  build/native/bin/dirreplay - "$ann" --list --idle 45
fi
echo "-- ldapsearch, after:"
show_idle
if [ "$wine_ok" = 0 ]; then
  :
elif [ -n "${DISPLAY:-}" ]; then
  echo "Opening the host on the server, on $ann" >&2
  export WINEPREFIX=$top/build/win32/wineprefix-x11 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  (cd build/win32/bin && wine RAXHOST.EXE /open "$ann")
else
  scripts/host-screenshot.sh "$top/build/demo/host-ldap.png" "$ann" 1
fi
