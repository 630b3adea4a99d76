#!/bin/sh
# kovendi-jvm-archive [PROGRAM_DIR]: makes PROGRAM_DIR/lib/kovendi.jsa, the class-data-sharing
# archive with which kovendi starts its Java VM quickly: the classes of kovendi.jar and of the
# Java runtime that a run loads, taken from a training run of kovendi (a send, a listing, a
# receive and a report against an embedded message store in a temporary directory).
#
# Run when the program is built and when it is installed (the Debian package does it, and again
# when the Java runtime changes). kovendi uses the archive when it is there; the Java VM passes
# over one that no longer matches kovendi.jar or the runtime. Without it kovendi starts all the
# same, only slower.
set -eu
dir=$(cd "${1:-$(dirname "$(readlink -f "$0")")}" && pwd)
archive="$dir/lib/kovendi.jsa"
new="$archive.new"  # beside it, so that it takes the archive's place in one step
work=$(mktemp -d "${TMPDIR:-/tmp}/kovendi-jvm-archive.XXXXXX")
trap 'rm -rf "$work"; rm -f "$new"' EXIT

"$dir/kovendi-store" init "$work/store" >/dev/null
echo TRAIN1 | "$dir/kovendi-store" add-mailbox "$work/store" train - COU=NL ADM=TRAIN \
  ORG=KOVENDI SUR=Train >/dev/null
mkdir "$work/home"
printf 'POS=train\nPIN=TRAIN1\nSRV=file:../store\nPNB=1\n' >"$work/home/qrtlnk.gns"
printf 'a message to itself\n' >"$work/home/note.txt"
cat >"$work/home/qrtlnk.scr" <<'REQUEST'
*001ZEND
MID=TRAIN
SUB=training run
COU=NL
ADM=TRAIN
ORG=KOVENDI
SUR=Train
RAP=3
FIL=note.txt
*002LIJST
FIL=list.txt
*003ONTVANG
MID=*
*004RAPPORT
REQUEST

# An archive in place would be taken for the base of the new one: the run goes without it.
rm -f "$archive" "$new"
(cd "$work/home" &&
  JAVA_TOOL_OPTIONS="-XX:ArchiveClassesAtExit=$new -Xlog:cds=off,cds+dynamic=off" \
    "$dir/kovendi" /FT 2>/dev/null) || true  # what the run leaves tells
if [ ! -s "$new" ] || [ -e "$work/home/qrtlnk.err" ]; then
  echo "kovendi-jvm-archive: the training run failed; kovendi starts without the archive" >&2
  exit 1
fi
chmod 0644 "$new"
mv "$new" "$archive"
