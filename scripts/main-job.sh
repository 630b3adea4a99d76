#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds kovendi, and runs a real
# exchange between two parties through an embedded message store:
#
#   1. alice sends orders.edi (three EDIFACT interchanges for the partner SHOP:ZZ, split into one
#      message per interchange) and prijslijst.txt (a plain file, delivery report requested) to bob;
#   2. bob receives everything into his receive store QRTLNK.RCV and hands the messages to his
#      application with /R;
#   3. alice fetches the delivery reports, which complete her send queue QRTLNK.SND.
#
# Each party is an application home directory with its qrtlnk.gns; the store lives beside them.
# KOVENDI_JOB_DIR chooses the directory of the run (new or empty); KOVENDI_BUILD_DIR another
# build tree than build/. KOVENDI_STORE=postgresql runs the same exchange through a PostgreSQL
# message service instead: a server of the job's own (initdb and pg_ctl in a temporary directory,
# on 127.0.0.1 at a free port, run as the user postgres when the job runs as root), stopped at the
# end; the homes reach it with SRV=127.0.0.1 and PNB=<port>.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVENDI_BUILD_DIR:-$src/build}

"$src/scripts/setup.sh"
echo "main-job: building in $build"
"$src/scripts/build.sh" "$build" >/dev/null
bin="$build/bin"
for program in kovendi kovendi-store; do
  [ -x "$bin/$program" ] || { echo "main-job: $bin/$program was not built" >&2; exit 1; }
done

job=${KOVENDI_JOB_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/kovendi-main-job.XXXXXX")}
mkdir -p "$job"
if [ -n "$(ls -A "$job")" ]; then
  echo "main-job: $job is not empty" >&2
  exit 1
fi
kind=${KOVENDI_STORE:-embedded}
case "$kind" in
  embedded | postgresql) ;;
  *) echo "main-job: KOVENDI_STORE is embedded or postgresql, not $kind" >&2; exit 2 ;;
esac
store="$job/store"
alice="$job/alice"
bob="$job/bob"
mkdir -p "$alice" "$bob"

step() { echo; echo "== $*"; }
show() {  # show FILE [TITLE]
  local file=$1 title=${2:-$(basename "$1")}
  if [ -s "$file" ]; then
    echo "   $title:"
    sed 's/^/     /' "$file"
  else
    echo "   $title: (none)"
  fi
}
kovendi() {  # kovendi HOME ARGS...
  local home=$1
  shift
  echo "   \$ kovendi $*    (in $(basename "$home"))"
  (cd "$home" && "$bin/kovendi" "$@")
  if [ -e "$home/qrtlnk.err" ]; then
    show "$home/qrtlnk.err" "qrtlnk.err"
  fi
}

free_port() {
  local port
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 30000))
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      echo "$port"
      return 0
    fi
  done
  echo "main-job: no free port found" >&2
  return 1
}

# start_service: a PostgreSQL server of the job's own with the database kovendi; sets store
# (the administrator's URL over the server's socket) and service (the homes' SRV and PNB lines).
pgbin=
pgdir=
owner=()
stop_service() {
  "${owner[@]}" "$pgbin/pg_ctl" -D "$pgdir/data" -m fast -w stop >/dev/null 2>&1 || true
  rm -rf "$pgdir"
}
start_service() {
  local port
  pgbin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -1)
  [ -x "$pgbin/initdb" ] || { echo "main-job: PostgreSQL server programs not found" >&2; exit 1; }
  pgdir=$(mktemp -d "${TMPDIR:-/tmp}/kovendi-pg.XXXXXX")
  if [ "$(id -u)" -eq 0 ]; then
    chown postgres: "$pgdir"
    owner=(runuser -u postgres --)
  fi
  port=$(free_port)
  "${owner[@]}" "$pgbin/initdb" -D "$pgdir/data" -U kvadmin -E UTF8 --locale=C.UTF-8 \
    --auth-local=trust --auth-host=scram-sha-256 >"$pgdir/initdb.log"
  trap stop_service EXIT
  "${owner[@]}" "$pgbin/pg_ctl" -D "$pgdir/data" -l "$pgdir/server.log" -w -o \
    "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$pgdir" start >/dev/null
  store="postgresql://kvadmin@${pgdir//\//%2F}:$port/kovendi"
  psql -X -q "postgresql://kvadmin@${pgdir//\//%2F}:$port/postgres" -c 'CREATE DATABASE kovendi'
  service="SRV=127.0.0.1\nPNB=$port"
  echo "   PostgreSQL server in $pgdir on 127.0.0.1:$port"
}

service='SRV=file:../store\nPNB=1'
if [ "$kind" = postgresql ]; then
  step "PostgreSQL message service"
  start_service
fi

step "message store with two mailboxes: $store"
"$bin/kovendi-store" init "$store"
echo SECRET1-ALICE | "$bin/kovendi-store" add-mailbox "$store" alice - COU=NL ADM=400NET PMD=QRT400 ORG=ACME SUR=Alders GIV=Alice
echo SECRET2-BOBBY | "$bin/kovendi-store" add-mailbox "$store" bob - COU=NL ADM=400NET PMD=QRT400 ORG=SHOP SUR=Bakker GIV=Bob
"$bin/kovendi-store" add-alias "$store" "SHOP:ZZ" bob
"$bin/kovendi-store" list "$store" | sed 's/^/   /'

printf "POS=alice\nPIN=SECRET1-ALICE\n$service\n" > "$alice/qrtlnk.gns"
printf "POS=bob\nPIN=SECRET2-BOBBY\n$service\n" > "$bob/qrtlnk.gns"
cp "$src/samples/demo/orders.edi" "$src/samples/demo/prijslijst.txt" "$alice/"

step "1. alice sends orders.edi (three interchanges) and prijslijst.txt to bob"
cat > "$alice/qrtlnk.scr" <<'REQ'
*001ZEND
MID=EDI
FIL=orders.edi
*002ZEND
MID=PRIJS
SUB=Prijslijst week 50
COU=NL
ADM=400NET
ORG=SHOP
SUR=Bakker
RAP=3
FIL=prijslijst.txt
REQ
kovendi "$alice" /FT /A=DEM
show "$alice/qrtlnk.sts" "status file qrtlnk.sts (one line per command and message)"
show "$alice/qrtlnk.snd" "send queue QRTLNK.SND"
"$bin/kovendi-store" show "$store" bob | sed 's/^/   in bob'"'"'s mailbox: /'

step "2. bob receives everything into QRTLNK.RCV"
printf '*001ONTVANG\nMID=*\n' > "$bob/qrtlnk.scr"
kovendi "$bob" /FT /A=DEM
show "$bob/qrtlnk.sts" "status file qrtlnk.sts"
show "$bob/qrtlnk.rcv" "receive store QRTLNK.RCV"

step "   bob's application fetches the messages with /R"
kovendi "$bob" /FT /R /MID=EDI* /FIL=edi-in.txt
kovendi "$bob" /FT /R /MID=PRIJS* /FIL=prijslijst-in.txt
show "$bob/edi-in.txt" "edi-in.txt (the three interchanges)"
show "$bob/prijslijst-in.txt" "prijslijst-in.txt"

step "3. alice fetches the delivery reports into QRTLNK.SND"
printf '*001RAPPORT\n' > "$alice/qrtlnk.scr"
kovendi "$alice" /FT /A=DEM
show "$alice/qrtlnk.sts" "status file qrtlnk.sts"
show "$alice/qrtlnk.snd" "send queue QRTLNK.SND (reports carried in)"

step "done: the two application directories are $alice and $bob"
