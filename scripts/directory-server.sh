#!/usr/bin/env bash
# A private LDAP directory server (slapd) on the loopback interface, with its
# configuration (cn=config) and database under one folder. Never touches the
# system's own server.
#
#   directory-server.sh start DIR PORT [STORE]
#       DIR new: builds a server seeded from the store file STORE (default:
#       samples/store/kestrel.ldif) with a password file per identity under
#       DIR/passwords; DIR already built: starts it again (STORE is ignored).
#       Prints on standard output, for the administrator, only:
#         RAX_DIRECTORY_URL=... RAX_DIRECTORY_BIND_DN=... RAX_DIRECTORY_PASSWORD_FILE=...
#   directory-server.sh replica DIR PORT MAIN_DIR
#       a replica of the running server built in MAIN_DIR: it copies the main
#       server's schema and entries and follows them (syncrepl, refreshAndPersist;
#       the schema under cn=schema,cn=config too), and passes every write on to
#       the main server (chain overlay). Prints the same three settings.
#   directory-server.sh stop DIR
#
# Diagnostics go to standard error; the server's own log is DIR/slapd.log.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
export PATH="$PATH:/usr/sbin:/usr/bin"
schema_dir=/etc/ldap/schema
module_dir=/usr/lib/ldap
storeldif=${RAX_STORELDIF:-$top/build/native/bin/rax-storeldif}

say() { echo "directory-server: $*" >&2; }
die() { say "$*"; exit 1; }

usage() {
  sed -n '6,19p' "$0" | sed 's/^# \{0,1\}//' >&2
  exit 2
}

need_tools() {
  local tool
  for tool in slapd slapadd slappasswd ldapsearch; do
    command -v "$tool" >/dev/null || die "$tool is missing (scripts/setup.sh installs slapd and ldap-utils)"
  done
}

need_converter() {
  [ -x "$storeldif" ] && return
  say "building the converter (native preset)"
  (cd "$top" && cmake --preset native >/dev/null && cmake --build --preset native --target rax-storeldif >&2) ||
    die "the converter could not be built"
}

running_pid() {   # the pid of DIR's server, if it runs
  local dir=$1 pid
  [ -s "$dir/slapd.pid" ] || return 1
  pid=$(cat "$dir/slapd.pid")
  [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null || return 1
  tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -q -- "-F $dir/slapd.d" || return 1
  echo "$pid"
}

# Runs a command with its output in DIR/build.log, shown only when it fails.
logged() {
  local dir=$1; shift
  "$@" >>"$dir/build.log" 2>&1 || { tail -n 20 "$dir/build.log" >&2; return 1; }
}

# Another server answering on the port would pass for ours.
need_free_port() {
  if (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; then die "port $1 is in use"; fi
}

random_password() {
  head -c 18 /dev/urandom | base64 | tr -d '/+=\n'
}

ssha_of() {   # hash of the password in a file
  slappasswd -T "$1" -h '{SSHA}' </dev/null
}

# Starts slapd on the loopback port and waits until it answers; kills it if it does not.
launch() {
  local dir=$1 port=$2 url="ldap://127.0.0.1:$2/" pid i
  if pid=$(running_pid "$dir"); then die "$dir: a server already runs (pid $pid)"; fi
  need_free_port "$port"
  rm -f "$dir/slapd.pid"
  setsid slapd -h "$url" -F "$dir/slapd.d" -d none </dev/null >>"$dir/slapd.log" 2>&1 &
  pid=$!
  for i in $(seq 1 100); do
    if ! kill -0 "$pid" 2>/dev/null; then
      tail -n 5 "$dir/slapd.log" >&2
      die "$dir: the server did not start (log: $dir/slapd.log)"
    fi
    if [ -s "$dir/slapd.pid" ] &&
      ldapsearch -x -H "$url" -o nettimeout=1 -b "" -s base -LLL namingContexts >/dev/null 2>&1 &&
      kill -0 "$pid" 2>/dev/null; then
      echo "$url" >"$dir/url"
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  die "$dir: the server did not answer on $url within 10 s"
}

# A value as one shell word: as it is when plain, else in single quotes.
shell_word() {
  if [[ $1 =~ ^[A-Za-z0-9_.,:/=@%+-]+$ ]]; then
    printf '%s' "$1"
  else
    printf "'%s'" "${1//\'/\'\\\'\'}"
  fi
}

settings() {
  local dir=$1 root
  # The root DN in the URL: '%', blanks and '?' percent-encoded (RFC 4516).
  root=$(sed 's/%/%25/g; s/ /%20/g; s/?/%3F/g' "$dir/suffix")
  printf 'RAX_DIRECTORY_URL=%s RAX_DIRECTORY_BIND_DN=%s RAX_DIRECTORY_PASSWORD_FILE=%s\n' \
    "$(shell_word "$(cat "$dir/url")$root")" "$(shell_word "$(cat "$dir/admin-dn")")" \
    "$(shell_word "$dir/passwords/$(cat "$dir/admin-file")")"
}

# The global part of the configuration, the modules and the schema root.
config_head() {
  local dir=$1; shift
  cat <<EOF
dn: cn=config
objectClass: olcGlobal
cn: config
olcPidFile: $dir/slapd.pid
olcArgsFile: $dir/slapd.args

dn: cn=module{0},cn=config
objectClass: olcModuleList
cn: module{0}
olcModulePath: $module_dir
EOF
  local module
  for module in "$@"; do echo "olcModuleLoad: $module"; done
  cat <<EOF

dn: cn=schema,cn=config
objectClass: olcSchemaConfig
cn: schema

EOF
}

# The rootDSE and the subschema entry are readable by all.
frontend() {
  cat <<EOF
dn: olcDatabase={-1}frontend,cn=config
objectClass: olcDatabaseConfig
objectClass: olcFrontendConfig
olcDatabase: {-1}frontend
olcSizeLimit: unlimited
olcAccess: to dn.base="" by * read
olcAccess: to dn.base="cn=Subschema" by * read

EOF
}

# The database of the entries: DIR/db, the replication identity as its root.
database() {
  local dir=$1 suffix=$2 replicator=$3
  cat <<EOF
dn: olcDatabase={1}mdb,cn=config
objectClass: olcDatabaseConfig
objectClass: olcMdbConfig
olcDatabase: {1}mdb
olcSuffix: $suffix
olcDbDirectory: $dir/db
olcDbMaxSize: 4294967296
olcDbIndex: objectClass eq
olcDbIndex: entryCSN,entryUUID eq
olcRootDN: $replicator
EOF
}

start_new() {
  local dir=$1 port=$2 store=$3
  [ -r "$store" ] || die "$store: no such store file"
  need_converter
  mkdir -p "$dir/slapd.d" "$dir/db" "$dir/passwords" "$dir/seed"
  chmod 700 "$dir/passwords" "$dir/seed"
  dir=$(cd "$dir" && pwd)
  echo main >"$dir/role"

  # A password per identity (the converter makes them), and one for the replication identity.
  local identities
  identities=$("$storeldif" identities "$store") || die "$store: the identities cannot be read"
  [ -n "$identities" ] || die "$store: the store names no identity"
  head -n 1 <<<"$identities" | cut -f 1 >"$dir/admin-dn"
  head -n 1 <<<"$identities" | cut -f 2 >"$dir/admin-file"
  (umask 077; random_password | tr -d '\n' >"$dir/passwords/replicator.pw")

  "$storeldif" to-ldif "$store" "$dir/seed" --password-dir "$dir/passwords" || die "$store: cannot be converted"
  local suffix replicator
  suffix=$(cat "$dir/seed/suffix")
  echo "$suffix" >"$dir/suffix"
  replicator="cn=replicator,$suffix"
  echo "$replicator" >"$dir/replicator-dn"

  (
    umask 077
    config_head "$dir" back_mdb syncprov
    for schema in core cosine inetorgperson; do echo "include: file://$schema_dir/$schema.ldif"; echo; done
    echo "include: file://$dir/seed/schema.ldif"
    echo
    frontend
    echo "dn: olcDatabase={0}config,cn=config"
    echo "objectClass: olcDatabaseConfig"
    echo "olcDatabase: {0}config"
    echo "olcAccess: to * by dn.exact=\"$replicator\" read by * break"
    cat "$dir/seed/config-access.ldif"
    echo
    echo "dn: olcOverlay={0}syncprov,olcDatabase={0}config,cn=config"
    echo "objectClass: olcOverlayConfig"
    echo "objectClass: olcSyncProvConfig"
    echo "olcOverlay: {0}syncprov"
    echo
    database "$dir" "$suffix" "$replicator"
    echo "olcRootPW: $(ssha_of "$dir/passwords/replicator.pw")"
    cat "$dir/seed/data-access.ldif"
    echo
    echo "dn: olcOverlay={0}syncprov,olcDatabase={1}mdb,cn=config"
    echo "objectClass: olcOverlayConfig"
    echo "objectClass: olcSyncProvConfig"
    echo "olcOverlay: {0}syncprov"
  ) >"$dir/seed/config.ldif"
  logged "$dir" slapadd -n 0 -F "$dir/slapd.d" -l "$dir/seed/config.ldif" || die "$dir: the configuration was refused"
  logged "$dir" slapadd -q -n 1 -F "$dir/slapd.d" -l "$dir/seed/entries.ldif" || die "$dir: the entries were refused"
  touch "$dir/built"
  launch "$dir" "$port"
}

start_replica() {
  local dir=$1 port=$2 main=$3
  [ -d "$main" ] && main=$(cd "$main" && pwd)
  [ -s "$main/suffix" ] || die "$main: no server was built there"
  running_pid "$main" >/dev/null || die "$main: the server does not run"
  local main_url suffix replicator secret
  main_url=$(cat "$main/url")
  suffix=$(cat "$main/suffix")
  replicator=$(cat "$main/replicator-dn")
  secret=$(cat "$main/passwords/replicator.pw")
  mkdir -p "$dir/slapd.d" "$dir/db" "$dir/passwords" "$dir/seed"
  chmod 700 "$dir/passwords" "$dir/seed"
  dir=$(cd "$dir" && pwd)
  echo replica >"$dir/role"
  cp "$main/passwords/"*.pw "$dir/passwords/"
  cp "$main/suffix" "$main/admin-dn" "$main/admin-file" "$main/replicator-dn" "$dir/"
  echo "$main_url" >"$dir/main-url"

  # The schema as the main server holds it now; syncrepl keeps it current.
  local schema
  schema=$(ldapsearch -x -H "$main_url" -D "$replicator" -y "$main/passwords/replicator.pw" -o ldif-wrap=no \
    -b cn=schema,cn=config -s one -LLL) || die "$main_url: the schema cannot be read"
  local sync_common="provider=$main_url bindmethod=simple binddn=\"$replicator\" credentials=\"$secret\" type=refreshAndPersist retry=\"1 +\" timeout=5 network-timeout=5"
  (
    umask 077
    config_head "$dir" back_mdb syncprov back_ldap
    echo "$schema"
    echo
    frontend
    # Writes come back from the database as referrals to the main server; the chain
    # overlay follows them there as the replication identity, on behalf of the user.
    echo "dn: olcOverlay={0}chain,olcDatabase={-1}frontend,cn=config"
    echo "objectClass: olcOverlayConfig"
    echo "objectClass: olcChainConfig"
    echo "olcOverlay: {0}chain"
    echo "olcChainReturnError: TRUE"
    echo
    echo "dn: olcDatabase={0}ldap,olcOverlay={0}chain,olcDatabase={-1}frontend,cn=config"
    echo "objectClass: olcLDAPConfig"
    echo "objectClass: olcChainDatabase"
    echo "olcDatabase: {0}ldap"
    echo "olcDbURI: \"$main_url\""
    echo "olcDbIDAssertBind: bindmethod=simple binddn=\"$replicator\" credentials=\"$secret\" mode=self"
    echo
    echo "dn: olcDatabase={0}config,cn=config"
    echo "objectClass: olcDatabaseConfig"
    echo "olcDatabase: {0}config"
    cat "$main/seed/config-access.ldif"
    echo "olcSyncrepl: rid=002 $sync_common searchbase=\"cn=schema,cn=config\""
    echo "olcUpdateRef: $main_url"
    echo
    database "$dir" "$suffix" "$replicator"
    cat "$main/seed/data-access.ldif"
    echo "olcSyncrepl: rid=001 $sync_common searchbase=\"$suffix\""
    echo "olcUpdateRef: $main_url"
  ) >"$dir/seed/config.ldif"
  logged "$dir" slapadd -n 0 -F "$dir/slapd.d" -l "$dir/seed/config.ldif" || die "$dir: the configuration was refused"
  touch "$dir/built"
  launch "$dir" "$port"
  # The entries arrive by replication; wait for the suffix entry.
  local i
  for i in $(seq 1 100); do
    if ldapsearch -x -H "$(cat "$dir/url")" -D "$(cat "$dir/admin-dn")" -y "$dir/passwords/$(cat "$dir/admin-file")" \
      -b "$suffix" -s base -LLL dn >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  say "$dir: the replica has not received the entries yet"
}

stop() {
  local dir=$1 pid i
  if ! pid=$(running_pid "$dir"); then
    rm -f "$dir/slapd.pid"
    return 0
  fi
  kill "$pid"
  for i in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || { rm -f "$dir/slapd.pid"; return 0; }
    sleep 0.1
  done
  say "$dir: the server did not stop within 10 s; killing it"
  kill -9 "$pid" 2>/dev/null || true
  rm -f "$dir/slapd.pid"
}

case "${1:-}" in
  start)
    [ $# -ge 3 ] && [ $# -le 4 ] || usage
    need_tools
    dir=$2 port=$3
    need_free_port "$port"
    if [ -e "$dir/built" ]; then
      dir=$(cd "$dir" && pwd)
      launch "$dir" "$port"
    else
      rm -rf "$dir/slapd.d" "$dir/db"   # what a failed build left
      start_new "$dir" "$port" "${4:-$top/samples/store/kestrel.ldif}"
      dir=$(cd "$dir" && pwd)
    fi
    settings "$dir"
    ;;
  replica)
    [ $# -eq 4 ] || usage
    need_tools
    [ ! -e "$2/built" ] || die "$2: already built; use start to run it again"
    need_free_port "$3"
    rm -rf "$2/slapd.d" "$2/db"   # what a failed build left
    start_replica "$2" "$3" "$4"
    settings "$(cd "$2" && pwd)"
    ;;
  stop)
    [ $# -eq 2 ] || usage
    stop "$2"
    ;;
  *)
    usage
    ;;
esac
