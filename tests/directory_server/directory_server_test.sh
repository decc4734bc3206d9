#!/usr/bin/env bash
# The private directory server script against a real slapd: a server seeded from
# the sample, checked with the server's own tools; rights of the administrator
# and of the read-only user; a schema change that survives a restart; the
# converter's way back; a replica that follows the main server and passes writes
# on to it. Every server started here is stopped on every way out.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
script=$top/scripts/directory-server.sh
export RAX_STORELDIF=${RAX_STORELDIF:-$top/build/native/bin/rax-storeldif}
export PATH="$PATH:/usr/sbin"
scratch=$(mktemp -d)
main=$scratch/main replica=$scratch/replica

cleanup() {
  bash "$script" stop "$replica" || true
  bash "$script" stop "$main" || true
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

free_port() {   # a loopback port nobody listens on
  local port
  for _ in $(seq 1 50); do
    port=$((20000 + RANDOM % 30000))
    (echo >"/dev/tcp/127.0.0.1/$port") 2>/dev/null || { echo "$port"; return; }
  done
  fail "no free port"
}

command -v slapd >/dev/null || fail "slapd is not installed (scripts/setup.sh installs it)"

# as DIR USER URL ldapsearch|ldapmodify ARGS...: the tool bound as a sample identity.
as() {
  local dir=$1 user=$2 url=$3 tool=$4; shift 4
  local dn
  case $user in
    admin) dn="cn=Admin,o=Kestrel" ;;
    bob) dn="cn=Bob,ou=Sales,o=Kestrel" ;;
    carla) dn="cn=Carla,ou=Support,o=Kestrel" ;;
  esac
  "$tool" -x -H "$url" -D "$dn" -y "$dir/passwords/$user.pw" -o nettimeout=5 "$@"
}

value_of() {   # value_of DIR USER URL DN ATTRIBUTE
  as "$1" "$2" "$3" ldapsearch -LLL -o ldif-wrap=no -b "$4" -s base "$5" | sed -n "s/^$5:\{1,2\} //p"
}

set_value() {   # set_value DIR USER URL DN ATTRIBUTE VALUE: the result code
  printf 'dn: %s\nchangetype: modify\nreplace: %s\n%s: %s\n' "$4" "$5" "$5" "$6" |
    as "$1" "$2" "$3" ldapmodify >/dev/null 2>&1 && echo 0 || echo $?
}

eventually() {   # eventually EXPECTED COMMAND...: waits up to 5 s for the output
  local out
  for _ in $(seq 1 50); do
    out=$("${@:2}" 2>/dev/null || true)
    [ "$out" = "$1" ] && return 0
    sleep 0.1
  done
  echo "expected \"$1\", got \"$out\" from: ${*:2}" >&2
  return 1
}

ann=cn=Ann,ou=Sales,o=Kestrel
port=$(free_port)

# --- the main server ---------------------------------------------------------
out=$(bash "$script" start "$main" "$port")
[ "$(wc -l <<<"$out")" = 1 ] || fail "start printed more than the settings: $out"
eval "$out"
[ "$RAX_DIRECTORY_URL" = "ldap://127.0.0.1:$port/o=Kestrel" ] || fail "URL $RAX_DIRECTORY_URL"
[ "$RAX_DIRECTORY_BIND_DN" = "cn=Admin,o=Kestrel" ] || fail "bind DN $RAX_DIRECTORY_BIND_DN"
[ "$RAX_DIRECTORY_PASSWORD_FILE" = "$main/passwords/admin.pw" ] || fail "password file $RAX_DIRECTORY_PASSWORD_FILE"
[ "$(stat -c %a "$main/passwords/bob.pw")" = 600 ] || fail "password files must be private"
url=ldap://127.0.0.1:$port/
[ -z "$(bash "$script" start "$scratch/other" "$port" 2>/dev/null)" ] && [ ! -e "$scratch/other/built" ] ||
  fail "a second server on a busy port passes for started"

[ "$(value_of "$main" admin "$url" "$ann" Dravon-Idle-Timeout)" = 30 ] || fail "Ann's idle timeout"
[ "$(value_of "$main" bob "$url" "$ann" Dravon-ARAS-Zone | tr '\n' ' ')" = "U2FsZXMgWm9uZQA= TG9iYnkA " ] ||
  fail "Ann's zones, byte for byte, read by Bob"
[ "$(set_value "$main" bob "$url" "$ann" Dravon-Idle-Timeout 31)" = 50 ] || fail "Bob may not write"
[ "$(set_value "$main" admin "$url" "$ann" Dravon-Idle-Timeout 32)" = 0 ] || fail "Admin may write"
carla=cn=Carla,ou=Support,o=Kestrel
[ "$(set_value "$main" carla "$url" "$carla" Dravon-Idle-Timeout 5)" = 0 ] || fail "Carla may write her own entry"
[ "$(set_value "$main" carla "$url" "$ann" Dravon-Idle-Timeout 5)" = 50 ] || fail "Carla may not write Ann's"
as "$main" bob "$url" ldapsearch -b o=Kestrel -LLL dn >/dev/null 2>&1 || fail "Bob may search"
! ldapsearch -x -H "$url" -b o=Kestrel -LLL dn 2>/dev/null | grep -q dn: || fail "anonymous reads nothing"

# The converter reads back what the server holds, as it seeded it.
as "$main" admin "$url" ldapsearch -LLL -b cn=config >"$scratch/config.ldif"
as "$main" admin "$url" ldapsearch -LLL -b o=Kestrel >"$scratch/data.ldif"
"$RAX_STORELDIF" to-store "$scratch/config.ldif" "$scratch/data.ldif" >"$scratch/back.ldif"
mkdir "$scratch/again"
"$RAX_STORELDIF" to-ldif "$scratch/back.ldif" "$scratch/again"
for part in schema.ldif data-access.ldif config-access.ldif; do
  diff "$main/seed/$part" "$scratch/again/$part" || fail "$part differs after the way back"
done
diff <(grep -v '^userPassword' "$main/seed/entries.ldif" |
  sed 's/^Dravon-Idle-Timeout: 30$/Dravon-Idle-Timeout: 32/; s/^Dravon-Idle-Timeout: -1$/Dravon-Idle-Timeout: 5/') \
  "$scratch/again/entries.ldif" || fail "the entries differ after the way back"

# Schema: a new attribute and an auxiliary class naming it, by the administrator only;
# the server starts again with them.
schema_dn=$(as "$main" admin "$url" ldapsearch -LLL -b cn=schema,cn=config -s one dn | sed -n 's/^dn: \(cn={[0-9]*}rax,.*\)/\1/p')
extend() {   # extend DIR USER URL NAME: the result code
  local oid=2.25.80642108135273820077733820468764317663
  printf "dn: %s\nchangetype: modify\nadd: olcAttributeTypes\nolcAttributeTypes: ( $oid.1.$RANDOM NAME '%s' DESC 'test' EQUALITY integerMatch SYNTAX 1.3.6.1.4.1.1466.115.121.1.27 X-RAX-FLAGS '0x40' )\n-\nadd: olcObjectClasses\nolcObjectClasses: ( $oid.3.$RANDOM NAME 'rax-%s' DESC 'extension of %s' AUXILIARY MAY %s )\n" \
    "$schema_dn" "$4" "$4" "$4" "$4" | as "$1" "$2" "$3" ldapmodify >/dev/null 2>&1 && echo 0 || echo $?
}
[ "$(extend "$main" bob "$url" Bob-Attr)" = 50 ] || fail "Bob may not change the schema"
[ "$(extend "$main" admin "$url" Test-Attr)" = 0 ] || fail "Admin may change the schema"
printf 'dn: %s\nchangetype: modify\nadd: objectClass\nobjectClass: rax-Test-Attr\n-\nadd: Test-Attr\nTest-Attr: 7\n' "$ann" |
  as "$main" admin "$url" ldapmodify >/dev/null || fail "the new attribute cannot be used"
bash "$script" stop "$main"
[ ! -e "$main/slapd.pid" ] || fail "the pid file stays after stop"
[ "$(bash "$script" start "$main" "$port")" = "$out" ] || fail "restart printed other settings"
[ "$(value_of "$main" admin "$url" "$ann" Test-Attr)" = 7 ] || fail "the extended schema or its value is lost on restart"

# --- a replica -----------------------------------------------------------------
rport=$(free_port)
rout=$(bash "$script" replica "$replica" "$rport" "$main")
eval "$rout"
[ "$RAX_DIRECTORY_URL" = "ldap://127.0.0.1:$rport/o=Kestrel" ] || fail "replica URL $RAX_DIRECTORY_URL"
rurl=ldap://127.0.0.1:$rport/
eventually 7 value_of "$replica" bob "$rurl" "$ann" Test-Attr || fail "the replica has the main server's entries and schema"
[ "$(set_value "$replica" admin "$rurl" "$ann" Dravon-Idle-Timeout 33)" = 0 ] || fail "a write through the replica"
[ "$(value_of "$main" admin "$url" "$ann" Dravon-Idle-Timeout)" = 33 ] || fail "the write landed on the main server"
eventually 33 value_of "$replica" admin "$rurl" "$ann" Dravon-Idle-Timeout || fail "the write came back to the replica"
[ "$(set_value "$replica" bob "$rurl" "$ann" Dravon-Idle-Timeout 34)" = 50 ] || fail "Bob may not write through the replica"
[ "$(extend "$main" admin "$url" Later-Attr)" = 0 ] || fail "a second schema change"
eventually 1 bash -c "ldapsearch -x -H $rurl -b cn=Subschema -s base -LLL -o ldif-wrap=no attributeTypes | grep -c \"NAME 'Later-Attr'\"" ||
  fail "the schema change reached the replica"
# Without the main server the replica still reads, and refuses writes as unavailable (52).
bash "$script" stop "$main"
[ "$(set_value "$replica" admin "$rurl" "$ann" Dravon-Idle-Timeout 35)" = 52 ] || fail "a write with the main server down"
[ "$(value_of "$replica" bob "$rurl" "$ann" Dravon-Idle-Timeout)" = 33 ] || fail "reads from the replica go on"
bash "$script" start "$main" "$port" >/dev/null
eventually 0 set_value "$replica" admin "$rurl" "$ann" Dravon-Idle-Timeout 36 || fail "writes go on with the main server back"
echo "directory server script: all checks passed"
