#!/bin/sh
# The Debian package, made from this build and unpacked into a scratch root (dpkg-deb -x, as an
# unprivileged user can): its layout, links, dependencies, licence, changelog, README, examples
# and manual pages, its version against the programs', the hardening of the programs, lintian
# (when it is installed), and the installed programs doing a real exchange through an embedded
# store plus a local-mode run.
#
#   package_deb_test.sh BUILD_DIR SOURCE_DIR CPACK
set -eu
build=$1
src=$2
cpack=$3

skip() { echo "SKIP: $*"; exit 77; }
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in dpkg-deb man gzip readelf; do
  command -v "$tool" >/dev/null 2>&1 || skip "$tool is not installed"
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kovendi-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
root=$work/root

# --- the package ---
"$cpack" -G DEB -B "$work/pkg" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; fail "cpack did not make the package"; }
set -- "$work"/pkg/kovendi_*.deb
[ -f "$1" ] || fail "no kovendi_*.deb made"
deb=$1
dpkg-deb -x "$deb" "$root"

version=$(dpkg-deb -f "$deb" Version)
arch=$(dpkg-deb -f "$deb" Architecture)
depends=$(dpkg-deb -f "$deb" Depends)
needed="openjdk-17-jre-headless libpostgresql-jdbc-java"
if readelf -d "$build/bin/kovendi" | grep -q 'libX11\.so'; then needed="$needed libx11-6"; fi
for package in $needed; do
  echo ", $depends," | grep -q ", $package[ ,(]" || fail "Depends lacks $package: $depends"
done
recommends=$(dpkg-deb -f "$deb" Recommends)
echo ", $recommends," | grep -q ", postgresql-client[ ,(]" ||
  fail "Recommends lacks postgresql-client (kovendi-store needs psql): $recommends"

# --- lintian, when it is installed: no errors and no warnings ---
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 ||
    { cat "$work/lintian.log"; fail "lintian reports errors or warnings"; }
  echo "lintian: $(grep -c . "$work/lintian.log") remarks, none an error or a warning"
else
  echo "lintian is not installed: the package's lint check is skipped"
fi

prog=$root/usr/lib/kovendi
jre=/usr/lib/jvm/java-17-openjdk-$arch
for program in kovendi kovedial kovendi-store; do
  [ -f "$prog/$program" ] && [ -x "$prog/$program" ] || fail "$prog/$program is not an executable file"
  [ "$(readlink "$root/usr/bin/$program")" = "../lib/kovendi/$program" ] ||
    fail "/usr/bin/$program is not a link to the program directory"
done
# Links within /usr are relative; they lead to the jar in /usr/share, the system's Java 17 and
# the system's JDBC driver.
[ -f "$root/usr/share/kovendi/kovendi.jar" ] || fail "no /usr/share/kovendi/kovendi.jar"
[ "$(readlink "$prog/lib/kovendi.jar")" = ../../../share/kovendi/kovendi.jar ] ||
  fail "lib/kovendi.jar is not a relative link to /usr/share/kovendi/kovendi.jar"
[ "$(readlink "$prog/jre")" = "../jvm/java-17-openjdk-$arch" ] ||
  fail "jre links to $(readlink "$prog/jre"), not to $jre relatively"
[ "$(readlink "$prog/lib/postgresql.jar")" = ../../../share/java/postgresql.jar ] ||
  fail "lib/postgresql.jar is not a relative link to the system's JDBC driver"
doc=$root/usr/share/doc/kovendi
grep -q "^Copyright:" "$doc/copyright" || fail "no copyright file"
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^kovendi ($version) " ||
  fail "the changelog does not start with version $version"
cmp -s "$doc/README.md" "$src/README.md" || fail "the package's README is not the README"
for example in systemd/kovendi-exchange.service systemd/kovendi-exchange.timer cron/kovendi \
               logrotate/kovendi home/qrtlnk.rcv; do
  [ -f "$doc/examples/$example" ] || fail "no example $example in $doc/examples"
done

# --- one version: the package's is the one every program reports and the banner shows ---
for program in kovendi kovedial; do
  [ "$("$prog/$program" --version)" = "$program $version" ] ||
    fail "$program --version does not say $version"
  readelf -d "$prog/$program" | grep -q 'BIND_NOW\|FLAGS.*NOW' || fail "$program is not linked with bindnow"
  readelf -l "$prog/$program" | grep -q GNU_RELRO || fail "$program has no read-only relocations"
done
grep -q "KOVENDI v$version " "$prog/kovendi" || fail "the banner line of kovendi does not carry $version"

# --- the manual pages: render without warnings, in the usual sections ---
for page in kovendi.1 kovedial.1 kovendi-store.1 kovendi-request.5 qrtlnk.gns.5; do
  name=${page%.?}
  file=$root/usr/share/man/man${page##*.}/$page.gz
  LC_ALL=C MANWIDTH=250 man --warnings -l "$file" >"$work/$name.txt" 2>"$work/$name.warnings" ||
    fail "man could not render $page"
  [ ! -s "$work/$name.warnings" ] || { cat "$work/$name.warnings"; fail "$page renders with warnings"; }
  case $page in
    *.1) sections='NAME SYNOPSIS DESCRIPTION FILES EXIT_STATUS ENVIRONMENT EXAMPLES SEE_ALSO' ;;
    *.5) sections='NAME DESCRIPTION EXAMPLES SEE_ALSO' ;;
  esac
  for section in $sections; do
    grep -qx "$(echo "$section" | tr _ ' ')" "$work/$name.txt" || fail "$page has no section $section"
  done
done
grep -qx TROUBLESHOOTING "$work/kovendi.txt" || fail "kovendi(1) has no troubleshooting section"
# Every text of the error catalogue, exactly as the program writes it, under its number.
sed -n '/kCatalogue\[\] = {/,/^};/p' "$src/client/common/app_error.cc" |
  sed -n 's/^ *"\(.*\)"},$/\1/p' >"$work/catalogue"
[ "$(wc -l <"$work/catalogue")" -ge 55 ] || fail "could not read the error catalogue"
number=0
while IFS= read -r text; do
  number=$((number + 1))
  code=$(printf '%04d' "$number")
  grep "^ *$code  " "$work/kovendi.txt" | sed 's/^ *[0-9]*  *//' | grep -qxF "$text" ||
    fail "kovendi(1) does not give error $code as \"$text\""
done <"$work/catalogue"

# --- the installed programs: a real exchange, then a local mode ---
[ -e "$jre/lib/server/libjvm.so" ] || skip "the system's Java 17 runtime $jre is not installed"
# The package's relative links lead into the scratch root: the dependencies stand there as links
# to the system's copies, as if they were installed beside the package.
mkdir -p "$root/usr/lib/jvm" "$root/usr/share/java"
ln -s "$jre" "$root$jre"
ln -s /usr/share/java/postgresql.jar "$root/usr/share/java/postgresql.jar"
unset DISPLAY TMP
# A lock directory of this test's own: the single-instance lock of one user would otherwise make
# these runs end at once while another test's run holds it.
XDG_RUNTIME_DIR=$work/runtime
export XDG_RUNTIME_DIR
mkdir -m 700 "$XDG_RUNTIME_DIR"
find "$prog" | sort >"$work/program-dir.before"
bin=$root/usr/bin
store=$work/store
alice=$work/alice
bob=$work/bob
mkdir "$alice" "$bob"
"$bin/kovendi-store" init "$store" >/dev/null
echo SECRET1 | "$bin/kovendi-store" add-mailbox "$store" alice - COU=NL ADM=400NET PMD=QRT400 ORG=ACME SUR=Alders >/dev/null
echo SECRET2 | "$bin/kovendi-store" add-mailbox "$store" bob - COU=NL ADM=400NET PMD=QRT400 ORG=SHOP SUR=Bakker >/dev/null
[ "$("$bin/kovendi-store" --version)" = "kovendi-store $version" ] || fail "kovendi-store --version does not say $version"
printf 'POS=alice\nPIN=SECRET1\nSRV=file:../store\nPNB=1\n' >"$alice/qrtlnk.gns"
printf 'POS=bob\nPIN=SECRET2\nSRV=file:../store\nPNB=1\n' >"$bob/qrtlnk.gns"
printf 'Prijslijst week 50\nArtikel 4012345000094   12,50\n' >"$alice/prijslijst.txt"
printf '*001ZEND\nMID=PRIJS\nSUB=Prijslijst\nCOU=NL\nADM=400NET\nORG=SHOP\nSUR=Bakker\nFIL=prijslijst.txt\n' \
  >"$alice/qrtlnk.scr"
(cd "$alice" && "$bin/kovendi" /FT /A=DEM)
[ ! -e "$alice/qrtlnk.err" ] || { cat "$alice/qrtlnk.err"; fail "the send run failed"; }
grep -q '^\*001ZEND|[0-9]\{12\}|0000|' "$alice/qrtlnk.sts" || fail "no successful ZEND in alice's status file"
grep -q '^DEM|[0-9]\{12\}|0000|' "$alice/qrtlnk.snd" || fail "alice's send queue holds no completed send"

printf '*001ONTVANG\nMID=*\n' >"$bob/qrtlnk.scr"
(cd "$bob" && "$bin/kovendi" /FT /A=DEM)
[ ! -e "$bob/qrtlnk.err" ] || { cat "$bob/qrtlnk.err"; fail "the receive run failed"; }
[ "$(grep -c '^DEM|' "$bob/qrtlnk.rcv")" -eq 1 ] || fail "bob's receive store does not hold the one message"

(cd "$bob" && "$bin/kovendi" /FT /R /MID=PRIJS* /FIL=prijslijst-in.txt)
[ ! -e "$bob/qrtlnk.err" ] || { cat "$bob/qrtlnk.err"; fail "the retrieve failed"; }
grep -q '^Artikel 4012345000094   12,50' "$bob/prijslijst-in.txt" || fail "the retrieve did not hand the price list over"

find "$prog" | sort >"$work/program-dir.after"
cmp -s "$work/program-dir.before" "$work/program-dir.after" || fail "the runs left files in the program directory"
echo "package $deb: layout, manual pages and installed programs verified"
