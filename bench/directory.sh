#!/usr/bin/env bash
# Directory speed through the host: RAXHOST /headless opens one user's pages
# and saves them unchanged, and opens them, types one field (the idle timeout
# of the first page) and saves, on directories of 2,000, 20,000 and 100,000
# generated users (tools/storegen from the sample store): the embedded store
# under Wine, and the LDAP backend (a private slapd seeded from the same store,
# scripts/directory-server.sh) in the same run. The same directory calls are
# also made natively against the engine (tools/dirreplay: load, open the
# pages, save), which needs no Wine; those rows say "(native)".
# Each figure is the best of a few rounds; every change starts from a fresh
# copy of the store. Targets: embedded 20k/2k open+save unchanged <= 3, a
# saved change on 20k under 1 s; LDAP 100k within 1.5 x its 2k time.
#
#   bench/directory.sh [USERS...]     (default: 2000 20000 100000)
bench_targets="storegen dirreplay"
source "$(dirname "$0")/common.sh"

sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(2000 20000 100000)
rounds=${BENCH_ROUNDS:-3}
idle_control=1089   # the idle timeout field of the user's first page

tmp=$top/build/bench-directory
rm -rf "$tmp"
mkdir -p "$tmp"
servers=()
wine_up=0
cleanup() {
  for dir in "${servers[@]}"; do bash scripts/directory-server.sh stop "$dir" >/dev/null 2>&1 || true; done
  [ "$wine_up" = 0 ] || wine_stop
  rm -rf "$tmp"
}
trap cleanup EXIT

results=$tmp/results.tsv
: >"$results"

# seconds CMD...: runs CMD (output into $tmp/out.txt) and prints its elapsed
# seconds with millisecond resolution; fails when CMD fails.
seconds() {
  local start end
  start=$(date +%s%N)
  "$@" >"$tmp/out.txt" 2>&1 </dev/null || { cat "$tmp/out.txt" >&2; return 1; }
  end=$(date +%s%N)
  python3 -c "print(f'{($end - $start) / 1e9:.3f}')"
}

# best BACKEND USERS OPERATION CMD...: the best of the rounds, recorded.
best() {
  local backend=$1 users=$2 operation=$3
  shift 3
  local best_s="" s
  for _ in $(seq "$rounds"); do
    [ -z "${prepare:-}" ] || $prepare
    s=$(seconds "$@")
    if [[ "$backend" != *native* ]] && ! grep -q "applied and saved" "$tmp/out.txt"; then
      echo "$backend $users $operation: the pages were not saved:" >&2
      cat "$tmp/out.txt" >&2
      return 1
    fi
    best_s=$(python3 -c "print(min(float('${best_s:-1e9}'), $s))")
  done
  printf '%s\t%s\t%s\t%s\n' "$backend" "$users" "$operation" "$best_s" >>"$results"
  echo "$backend, $users users, $operation: ${best_s}s"
}

# The Win32 host, if Wine can run it on this machine.
have_wine=0
if cmake --preset win32 >/dev/null 2>&1 &&
   cmake --build --preset win32 --target RAXHOST RAXADM95 dircli32 svclib32 langsup32 >/dev/null; then
  source scripts/wine-env.sh
  wine_start build/win32 || true   # checked just below
  wine_up=1
  if wine cmd /c exit 0 >/dev/null 2>&1; then
    have_wine=1
  else
    echo "Wine cannot run 32-bit programs on this machine: the host's rows are left out" >&2
  fi
fi
winpath() { echo "Z:${1//\//\\}"; }

# The LDAP backend: a server seeded from each store.
have_ldap=0
if [ -f scripts/directory-server.sh ] && command -v slapd >/dev/null 2>&1 &&
   cmake --build --preset native --target rax-storeldif >/dev/null 2>&1; then
  have_ldap=1
else
  echo "the LDAP rows are left out (they need slapd, scripts/directory-server.sh and rax-storeldif)" >&2
fi

host() { wine build/win32/bin/RAXHOST.EXE "$@"; }
# Each round against the server types another value, so each one saves a change.
echo 70 >"$tmp/value"
next_value() {
  local value=$(( $(cat "$tmp/value") + 1 ))
  echo "$value" >"$tmp/value"
  echo "$value"
}
ldap_change() { host /headless /open "$1" /field 1 "$idle_control" "$(next_value)" /ok; }
ldap_replay_change() { build/native/bin/dirreplay - "$1" --idle "$(next_value)"; }
port=38950
for users in "${sizes[@]}"; do
  store=$tmp/store-$users.ldif
  user=$(build/native/bin/storegen --sample samples/store/kestrel.ldif --users "$users" -o "$store")
  work=$tmp/work.ldif
  fresh() { cp "$store" "$work"; rm -f "$work.lock"; }
  fresh

  prepare=fresh
  best "embedded (native)" "$users" "open+save unchanged" build/native/bin/dirreplay "$work" "$user"
  best "embedded (native)" "$users" "open+save changed" build/native/bin/dirreplay "$work" "$user" --idle 77

  if [ "$have_wine" = 1 ]; then
    best embedded "$users" "open+save unchanged" host /store "$(winpath "$work")" /headless /open "$user" /ok
    best embedded "$users" "open+save changed" host /store "$(winpath "$work")" /headless /open "$user" \
      /field 1 "$idle_control" 77 /ok
  fi

  if [ "$have_ldap" = 1 ]; then
    prepare=""
    dir=$tmp/ldap-$users
    port=$((port + 1))
    settings=$(bash scripts/directory-server.sh start "$dir" "$port" "$store")
    servers+=("$dir")
    for key in URL BIND_DN PASSWORD_FILE; do
      value=$(python3 -c 'import re,sys; m=re.search(r"RAX_DIRECTORY_'"$key"'=(.*?)(?= RAX_DIRECTORY_|$)", sys.argv[1]); print(m.group(1) if m else "")' "$settings")
      export "RAX_DIRECTORY_$key=$value"
    done
    if build/native/bin/dirreplay - "$user" >/dev/null 2>&1; then
      best "ldap (native)" "$users" "open+save unchanged" build/native/bin/dirreplay - "$user"
      best "ldap (native)" "$users" "open+save changed" ldap_replay_change "$user"
    else
      echo "the native engine does not reach the server: the native LDAP rows are left out" >&2
    fi
    if [ "$have_wine" = 1 ]; then
      best ldap "$users" "open+save unchanged" host /headless /open "$user" /ok
      best ldap "$users" "open+save changed" ldap_change "$user"
    fi
    unset RAX_DIRECTORY_URL RAX_DIRECTORY_BIND_DN RAX_DIRECTORY_PASSWORD_FILE
    bash scripts/directory-server.sh stop "$dir" >/dev/null 2>&1 || true
  fi
done

echo
python3 - "$results" "${sizes[0]}" <<'PY'
import sys
rows = [line.rstrip("\n").split("\t") for line in open(sys.argv[1]) if line.strip()]
base_users = sys.argv[2]
base = {(b, op): float(s) for b, u, op, s in rows if u == base_users}
print(f"{'backend':<18} {'users':>7}  {'operation':<20} {'seconds':>8}  ratio to {base_users}")
for b, u, op, s in sorted(rows, key=lambda r: (r[0], int(r[1]), r[2])):
    ratio = float(s) / base[(b, op)] if base.get((b, op)) else float("nan")
    print(f"{b:<18} {int(u):>7}  {op:<20} {float(s):>8.3f}  {ratio:5.2f}")
def figure(b, u, op):
    for rb, ru, rop, s in rows:
        if (rb, ru, rop) == (b, u, op):
            return float(s)
    return None
print()
for b in ("embedded", "embedded (native)"):
    small, large = figure(b, "2000", "open+save unchanged"), figure(b, "20000", "open+save unchanged")
    change = figure(b, "20000", "open+save changed")
    if small and large:
        print(f"{b}: open+save unchanged 20000/2000 = {large / small:.2f} (target <= 3)")
    if change is not None:
        print(f"{b}: open+save changed on 20000 users = {change:.3f}s (target < 1 s)")
for b in ("ldap", "ldap (native)"):
    for op in ("open+save unchanged", "open+save changed"):
        small, large = figure(b, "2000", op), figure(b, "100000", op)
        if small and large:
            print(f"{b}: {op} 100000/2000 = {large / small:.2f} (target <= 1.5)")
PY
