#!/bin/sh
# The Debian package, made from this build and unpacked into a scratch root (dpkg-deb -x, as an
# unprivileged user can): its layout, links, dependencies, licence, changelog and manual pages, and
# the installed programs doing a real exchange through an embedded store plus a local-mode run.
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

prog=$root/usr/lib/kovendi
jre=/usr/lib/jvm/java-17-openjdk-$arch
for program in kovendi kovedial kovendi-store; do
  [ -f "$prog/$program" ] && [ -x "$prog/$program" ] || fail "$prog/$program is not an executable file"
  [ "$(readlink "$root/usr/bin/$program")" = "../lib/kovendi/$program" ] ||
    fail "/usr/bin/$program is not a link to the program directory"
done
[ -f "$prog/lib/kovendi.jar" ] || fail "no lib/kovendi.jar"
[ "$(readlink "$prog/jre")" = "$jre" ] || fail "jre links to $(readlink "$prog/jre"), not $jre"
[ "$(readlink "$prog/lib/postgresql.jar")" = /usr/share/java/postgresql.jar ] ||
  fail "lib/postgresql.jar is not a link to the system's JDBC driver"
doc=$root/usr/share/doc/kovendi
grep -q "^Copyright:" "$doc/copyright" || fail "no copyright file"
gzip -dc "$doc/changelog.gz" | head -n 1 | grep -q "^kovendi ($version) " ||
  fail "the changelog does not start with version $version"

# --- the manual pages: render without warnings, in the usual sections ---
for page in kovendi kovedial kovendi-store; do
  file=$root/usr/share/man/man1/$page.1.gz
  LC_ALL=C MANWIDTH=250 man --warnings -l "$file" >"$work/$page.txt" 2>"$work/$page.warnings" ||
    fail "man could not render $page(1)"
  [ ! -s "$work/$page.warnings" ] || { cat "$work/$page.warnings"; fail "$page(1) renders with warnings"; }
  for section in NAME SYNOPSIS DESCRIPTION OPTIONS FILES "EXIT STATUS" ENVIRONMENT EXAMPLES "SEE ALSO"; do
    grep -qx "$section" "$work/$page.txt" || fail "$page(1) has no section $section"
  done
done
# Every text of the error catalogue, exactly as the program writes it, under its number.
sed -n '/kCatalogue\[\] = {/,/^};/p' "$src/client/common/app_error.cc" |
  sed -n 's/^ *"\(.*\)"},$/\1/p' >"$work/catalogue"
[ "$(wc -l <"$work/catalogue")" -eq 54 ] || fail "could not read the error catalogue"
number=0
while IFS= read -r text; do
  number=$((number + 1))
  code=$(printf '%04d' "$number")
  grep "^ *$code  " "$work/kovendi.txt" | sed 's/^ *[0-9]*  *//' | grep -qxF "$text" ||
    fail "kovendi(1) does not give error $code as \"$text\""
done <"$work/catalogue"

# --- the installed programs: a real exchange, then a local mode ---
[ -e "$jre/lib/server/libjvm.so" ] || skip "the system's Java 17 runtime $jre is not installed"
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
"$bin/kovendi-store" add-mailbox "$store" alice SECRET1 COU=NL ADM=400NET PMD=QRT400 ORG=ACME SUR=Alders >/dev/null
"$bin/kovendi-store" add-mailbox "$store" bob SECRET2 COU=NL ADM=400NET PMD=QRT400 ORG=SHOP SUR=Bakker >/dev/null
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
