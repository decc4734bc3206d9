# Sourced by the scripts that run Win32 programs: a private Wine prefix inside
# the build tree with the "null" graphics driver, and a persistent wineserver
# started with all its output on /dev/null (Wine's background services keep the
# stdio they were started with; a pipe held by them would stall ctest).
#
#   wine_start <build-dir>   prepare the prefix, start the server and keep the
#                            desktop open (the build's desktop_keeper, if built)
#   wine_stop                kill the server and every Wine process of the prefix
#   wine_runs                true when this machine can run Wine's 32-bit loader at all

wine_start() {
  export WINEPREFIX="$(cd "$1" && pwd)/wineprefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY
  wineserver -k >/dev/null 2>&1 </dev/null || true
  wineserver -w >/dev/null 2>&1 </dev/null || true
  if [ ! -f "$WINEPREFIX/system.reg" ] || ! grep -q '"Graphics"="null"' "$WINEPREFIX/user.reg" 2>/dev/null; then
    wineboot -i >/dev/null 2>&1 </dev/null || true
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1 </dev/null
    wineserver -w >/dev/null 2>&1 </dev/null || true
  fi
  wineserver -p >/dev/null 2>&1 </dev/null || true
  wine wineboot >/dev/null 2>&1 </dev/null || true
  # Wine's desktop process leaves when no program has used it for a moment;
  # started again by a test, it would hold that test's output pipe open.
  local keeper="$(cd "$1" && pwd)/bin/desktop_keeper.exe"
  if [ -f "$keeper" ]; then
    (wine "$keeper" >/dev/null 2>&1 </dev/null &)
  fi
}

wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 </dev/null || true
  fi
}

# A kernel built or booted without 32-bit emulation (ia32_emulation=off) refuses
# every 32-bit program with "Exec format error", Wine's loader included.
wine_runs() {
  wine --version >/dev/null 2>&1 </dev/null
}
