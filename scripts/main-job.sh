#!/usr/bin/env bash
# The main job on a fresh machine: installs what is missing, builds kovendi, and runs it the way
# an application does, on a copy of the sample home directory that the repository ships
# (samples/home: a receive store QRTLNK.RCV with three received messages and their part files).
#
#   1. kovendi /FT /R /MID=EDI* /FIL=edi-berichten.txt   hands the EDI messages to the application
#   2. kovendi /FT /RT /FIL=teksten.txt                  hands the text messages over as text
#
# Afterwards it lists the files that kovendi left. The copy directory is kept; its name is
# printed at the end (set KOVENDI_JOB_DIR to choose it; it must be new or empty).
# KOVENDI_BUILD_DIR chooses another build tree than build/.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVENDI_BUILD_DIR:-$src/build}

"$src/scripts/setup.sh"
echo "main-job: building in $build"
"$src/scripts/build.sh" "$build" >/dev/null
kovendi="$build/bin/kovendi"
[ -x "$kovendi" ] || { echo "main-job: $kovendi was not built" >&2; exit 1; }

home=${KOVENDI_JOB_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/kovendi-main-job.XXXXXX")}
mkdir -p "$home"
if [ -n "$(ls -A "$home")" ]; then
  echo "main-job: $home is not empty" >&2
  exit 1
fi
cp "$src"/samples/home/* "$home"/
echo "main-job: application home directory $home"

show_outcome() {
  if [ -e "$home/qrtlnk.err" ]; then
    echo "  qrtlnk.err:"
    sed 's/^/    /' "$home/qrtlnk.err"
  else
    echo "  no qrtlnk.err: the run succeeded"
  fi
}

run_kovendi() {
  echo
  echo "main-job: kovendi $*"
  local status=0
  (cd "$home" && "$kovendi" "$@") || status=$?
  echo "  exit code $status (always 0; the outcome is in the files)"
  show_outcome
}

echo
echo "main-job: receive store before the runs:"
sed 's/^/    /' "$home/qrtlnk.rcv"

run_kovendi /FT /R '/MID=EDI*' /FIL=edi-berichten.txt
run_kovendi /FT /RT /FIL=teksten.txt

echo
echo "main-job: files in $home after the runs:"
(cd "$home" && ls -l)
for f in edi-berichten.txt teksten.txt; do
  if [ -e "$home/$f" ]; then
    echo
    echo "main-job: $f"
    sed 's/^/    /' "$home/$f"
  fi
done
echo
echo "main-job: receive store after the runs (messages handed over have left it):"
if [ -s "$home/qrtlnk.rcv" ]; then sed 's/^/    /' "$home/qrtlnk.rcv"; else echo "    (empty)"; fi
echo
echo "main-job: done; the files are in $home"
