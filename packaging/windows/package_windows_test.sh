#!/bin/sh
# The Windows packages of a build tree: the zip made with cpack and unpacked, and the installer
# (where makensis made one) installed silently in the Wine prefix and uninstalled again; in each,
# the files are checked and the programs run under Wine in a fresh home directory.
#   package_windows_test.sh BUILD_DIR CPACK WINE        (status 77: skipped, no Wine or unzip)
set -eu
build=$1
cpack=$2
wine=${3:-}
[ -n "$wine" ] && [ -x "$wine" ] || { echo "no Wine"; exit 77; }
command -v unzip >/dev/null || { echo "no unzip"; exit 77; }
work=$(mktemp -d "${TMPDIR:-/tmp}/kovendi-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() {
  echo "package_windows: $*" >&2
  exit 1
}

(cd "$build" && "$cpack" -G ZIP -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack failed"; }
set -- "$work"/out/kovendi-*-windows-x64.zip
[ -f "$1" ] || fail "no kovendi-VERSION-windows-x64.zip"
unzip -q "$1" -d "$work/unpacked"
set -- "$work"/unpacked/kovendi-*-windows-x64
dir=$1
[ -d "$dir" ] || fail "the zip does not hold one program folder"

# check_program_folder DIR [EXTRA_FILE_PATTERN]: the files of the package are all there, nothing
# else is, and the programs run from there.
check_program_folder() {
  dir=$1
  for file in kovendi.exe kovedial.exe kovendi-store.cmd lib/kovendi.jar doc/kovendi.txt \
              doc/kovedial.txt doc/kovendi-store.txt README.md copyright.txt changelog.txt; do
    [ -s "$dir/$file" ] || fail "$file is missing or empty in $dir"
  done
  unexpected=$(cd "$dir" && find . -type f | grep -v -E "^\./(kovendi\.exe|kovedial\.exe|kovendi-store\.cmd|lib/(kovendi|postgresql)\.jar|doc/[a-z-]+\.txt|README\.md|copyright\.txt|changelog\.txt${2:-})\$" || true)
  [ -z "$unexpected" ] || fail "files that do not belong in the package: $unexpected"
  grep -q 'nl.kovendi.store.Admin' "$dir/kovendi-store.cmd" || fail "kovendi-store.cmd runs no Admin"
  [ "$(head -c 200 "$dir/kovendi-store.cmd" | tr -d -c '\r' | wc -c)" -gt 0 ] || fail "kovendi-store.cmd has no CR LF"
  grep -q 'kovendi /FT' "$dir/doc/kovendi.txt" || fail "the manual page of kovendi is not readable text"
  if tr -d '\r' <"$dir/doc/kovendi.txt" | grep -q "$(printf '\b')"; then fail "highlighting left in the manual text"; fi
  grep -q 'Windows' "$dir/README.md" || fail "the README has no section for Windows"

  home=$(mktemp -d "$work/home.XXXXXX")
  (cd "$home" && "$wine" "$dir/kovendi.exe" /FT /RT /FIL=teksten.txt) || fail "$dir/kovendi.exe did not run"
  [ ! -e "$home/qrtlnk.err" ] || fail "kovendi.exe: $(cat "$home/qrtlnk.err")"
  (cd "$home" && "$wine" "$dir/kovendi.exe") || true
  grep -q '^0001 ' "$home/qrtlnk.err" || fail "kovendi.exe without parameters left no error 0001"
  (cd "$home" && KOVEDIAL_PHONEBOOK="$home/none" "$wine" "$dir/kovedial.exe" HANGUP) || fail "kovedial.exe did not run"
  [ "$(tr -d '\r' <"$home/kovedial.txt")" = AAAA ] || fail "kovedial.exe HANGUP: $(cat "$home/kovedial.txt")"
}

check_program_folder "$dir"
echo "package_windows: $(basename "$dir").zip holds the programs, the jar, the manual pages and the README"

command -v makensis >/dev/null || { echo "package_windows: no makensis, no installer to test"; exit 0; }
(cd "$build" && "$cpack" -G NSIS -B "$work/out" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G NSIS failed"; }
set -- "$work"/out/kovendi-*-windows-x64.exe
[ -f "$1" ] || fail "no installer kovendi-VERSION-windows-x64.exe"
installer=$1
# A folder of its own in the test's Wine prefix, chosen as a user of "/S" would.
folder_name="kovendi-test-$$"
installed="${WINEPREFIX:-$HOME/.wine}/drive_c/$folder_name"
rm -rf "$installed"
"$wine" "$installer" /S "/D=C:\\$folder_name" || fail "the silent installation failed"
check_program_folder "$installed" '|Uninstall\.exe'
# The uninstaller copies itself away and removes the folder from there, a moment later.
"$wine" "$installed/Uninstall.exe" /S || fail "the silent uninstallation failed"
for _ in $(seq 100); do
  [ -e "$installed/kovendi.exe" ] || break
  sleep 0.2
done
[ ! -e "$installed/kovendi.exe" ] || fail "the uninstaller left kovendi.exe behind"
echo "package_windows: $(basename "$installer") installs silently, runs and uninstalls"
