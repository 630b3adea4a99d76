#!/usr/bin/env bash
# Builds the Windows programs and runs their tests under Wine:
#   scripts/test-windows.sh [BUILD_DIR]                               (default build-windows/)
# The tests run in a Wine prefix of their own (made here, removed at the end) with an X server of
# their own (Xvfb) for the windows. Where Wine or Xvfb cannot start, the Windows tests are skipped
# with a message and the script succeeds. A screenshot of the status window is left in
# BUILD_DIR/screenshots.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-windows}

skip() {
  echo "test-windows: $* - the Windows tests are skipped"
  exit 0
}

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
[ -x "$wine" ] || skip "Wine (wine64) is not installed"
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=$(dirname "$wine")/wineserver
xvfb=$(command -v Xvfb || true)
[ -n "$xvfb" ] || skip "Xvfb is not installed"

started=$(date +%s)
"$src/scripts/build-windows.sh" "$build"
echo "test-windows: built in $(( $(date +%s) - started )) s"

work=$(mktemp -d "${TMPDIR:-/tmp}/kovendi-wine.XXXXXX")
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY
server_pid=
clean_up() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -z "$server_pid" ] || kill "$server_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap clean_up EXIT

for display in $(seq $(( 100 + $$ % 100 )) 299); do
  [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ] || break
done
"$xvfb" ":$display" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
server_pid=$!
for _ in $(seq 100); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.05
done
[ -e "/tmp/.X11-unix/X$display" ] || skip "Xvfb did not start"
# The prefix is made on the tests' display: the desktop process that wineboot starts serves the
# programs that follow it, and one started without a display leaves their windows on no screen at
# all, where the window tests cannot find them.
export DISPLAY=":$display"

# One Wine server serves the whole run and stays until the end ("-p" without a delay), and the
# system processes (services, devices) are started here, outside the tests. A server that shuts
# down between two programs refuses the next one ("wine client error"), and system processes that
# a test happens to start inherit CTest's output pipe and hold it open after the test has ended,
# so that CTest waits for them until the test's time-out.
start_wine() {
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  mkdir -p "$WINEPREFIX"
  if ! "$wineserver" -p </dev/null >"$work/wineboot.log" 2>&1 ||  # returns once it listens
    ! "$wine" wineboot "$@" </dev/null >>"$work/wineboot.log" 2>&1; then
    cat "$work/wineboot.log" >&2
    return 1
  fi
}

prefix_started=$(date +%s)
start_wine --init || skip "Wine cannot make a prefix here"
echo "test-windows: Wine prefix made in $(( $(date +%s) - prefix_started )) s"

tests_started=$(date +%s)
status=0
(cd "$build" && ctest --output-on-failure -j 2 --timeout 600) 2>&1 | tee "$work/ctest.log" ||
  status=$?
# A program that loses its connection to the Wine server ("wine client error") did not run at
# all; those tests run once more with a fresh server. Any other failure stands.
if [ "$status" -ne 0 ] && grep -q "wine client error" "$work/ctest.log"; then
  echo "test-windows: the Wine server went away during the tests; the failed ones run again"
  status=0
  if start_wine; then
    (cd "$build" && ctest --output-on-failure --rerun-failed --timeout 600) || status=$?
  else
    status=1
  fi
fi
echo "test-windows: tests ran in $(( $(date +%s) - tests_started )) s"

# The status window as a user sees it, for a person to look at: Wine draws a desktop of its own
# (480 by 320 pixels in the corner of the screen) with the window and its caption; the run waits
# in the stand-in runtime until the user presses Escape, which nobody does here.
shots="$build/screenshots"
mkdir -p "$shots"
home="$work/home" programs="$work/programs"
mkdir -p "$home" "$programs/jre/bin/client"
cp "$build/bin/kovendi.exe" "$programs/"
cp "$build/tests-bin/fake-jvm/jvm.dll" "$programs/jre/bin/client/"
printf 'POS=alice\nPIN=secret1\nSRV=file:store\nPNB=1\n' >"$home/qrtlnk.gns"
printf '*001LIJST\n' >"$home/qrtlnk.scr"
(cd "$home" && KOVENDI_FAKE_JVM=escape "$wine" explorer /desktop=kovendi,480x320 \
  "$programs/kovendi.exe" /FT >/dev/null 2>&1 &)
# The picture is taken once the desktop shows more than a few colours (the window drawn), and a
# moment later again, so that the status line is there too.
if command -v import >/dev/null && command -v convert >/dev/null; then
  shot="$shots/kovendi-status-window.png"
  for _ in $(seq 60); do
    sleep 1
    import -display "$DISPLAY" -window root "$work/root.png" 2>/dev/null || continue
    convert "$work/root.png" -crop 480x320+0+0 +repage "$shot" || continue
    if [ "$(convert "$shot" -format %k info: 2>/dev/null || echo 0)" -gt 8 ]; then
      sleep 2
      import -display "$DISPLAY" -window root "$work/root.png" 2>/dev/null &&
        convert "$work/root.png" -crop 480x320+0+0 +repage "$shot" || true
      break
    fi
  done
fi
"$wineserver" -k >/dev/null 2>&1 || true

echo "test-windows: $(( $(date +%s) - started )) s in all"
exit $status
