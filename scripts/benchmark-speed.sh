#!/usr/bin/env bash
# Speed of kovendi against the shell tools doing the same work, side by side: each pair of
# commands runs in turn (A B A B ...), RUNS times each (default 5) after one run of each that is
# not counted, and the script prints the medians of wall and processor seconds of both and the
# median of the pairwise ratios A/B (below 1: kovendi is faster).
#
#   1. the split and merge of 10,000 EDIFACT interchanges (about 60 MB), one segment per line and
#      all on one line: a normal run whose connection fails (the file is split into work files
#      and put back together from them) against awk splitting it into one file per interchange
#      and cat putting them together (and rm removing them);
#   2. /U= of 100,000 stored messages with a file of half of them against grep -Fxvf;
#   3. /R of 50,000 of 100,000 stored messages against a small Python script that does the same
#      with the same flushes (output file and store each written beside, flushed and renamed);
#   4. a normal run (one RAPPORT, embedded store) against java -version.
#
# Needs a build (scripts/build.sh build; KOVENDI_BUILD_DIR chooses another), awk, grep, python3.
# A quiet machine gives figures worth quoting: the load is printed before and after.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVENDI_BUILD_DIR:-$src/build}
bin=$build/bin
runs=${RUNS:-5}
only=${1:-}  # run only the comparisons whose name begins so (split, update, retrieve, normal)
work=$(mktemp -d "${TMPDIR:-/tmp}/kovendi-bench.XXXXXX")
trap 'chmod -R u+w "$work"; rm -rf "$work"' EXIT

# --- timing -------------------------------------------------------------------------------------

# one_run COMMAND: appends "wall cpu" (seconds) of one run of COMMAND (a shell text) to $times.
one_run() {
  local start end cpu
  start=$(date +%s%N)
  cpu=$( { TIMEFORMAT='%U %S'; time bash -c "$1" >/dev/null 2>&1; } 2>&1 | awk '{print $1 + $2}')
  end=$(date +%s%N)
  echo "$(( (end - start) / 1000 )) $cpu" | awk '{printf "%.3f %.3f\n", $1 / 1e6, $2}'
}

median() { sort -g | awk '{v[NR] = $1} END {print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2}'; }

# compare NAME A B [CHECK]: A and B in turn; CHECK (a shell text) after every run of A.
compare() {
  local name=$1 a=$2 b=$3 check=${4:-true} i ra rb
  : >"$work/a.times"
  : >"$work/b.times"
  : >"$work/ratios"
  for ((i = 0; i <= runs; i++)); do
    ra=$(one_run "$a")
    bash -c "$check" || { echo "$name: the run of kovendi did not do its work" >&2; exit 1; }
    rb=$(one_run "$b")
    ((i == 0)) && continue  # the first of each warms the caches
    echo "$ra" >>"$work/a.times"
    echo "$rb" >>"$work/b.times"
    echo "$ra $rb" | awk '{printf "%.4f\n", $1 / $3}' >>"$work/ratios"
  done
  printf '%-38s kovendi %6.3f s (cpu %6.3f)   %-13s %6.3f s (cpu %6.3f)   ratio %.2f\n' \
    "$name" "$(cut -d' ' -f1 "$work/a.times" | median)" "$(cut -d' ' -f2 "$work/a.times" | median)" \
    "$5" "$(cut -d' ' -f1 "$work/b.times" | median)" "$(cut -d' ' -f2 "$work/b.times" | median)" \
    "$(median <"$work/ratios")"
}

wanted() { [ -z "$only" ] || [ "${1#"$only"}" != "$1" ]; }

# --- data ---------------------------------------------------------------------------------------

# edifact_file N SEGMENT_END: N interchanges of about 6 KB (UNB, UNH, 14 text segments, UNT, UNZ).
edifact_file() {
  awk -v n="$1" -v sep="$2" 'BEGIN {
    pad = sprintf("%400s", ""); gsub(/ /, "x", pad)
    for (i = 0; i < n; i++) {
      printf "UNB+UNOA:1+SENDER:ZZ+PARTNER%d:ZZ+240307:1030+%d'\''%s", i % 50, i, sep
      printf "UNH+M%d+INVOIC:D:96A:UN'\''%s", i, sep
      for (l = 0; l < 14; l++) printf "FTX+AAI+++%s?'\''s'\''%s", pad, sep
      printf "UNT+16+M%d'\''%s", i, sep
      printf "UNZ+1+%d'\''%s", i, sep
    }
  }'
}

# store DIR N: a receive store of N records in DIR/qrtlnk.rcv, each with one part file; every
# other record has an identifier beginning with EDI.
store() {
  mkdir -p "$1"
  (cd "$1" && awk -v n="$2" 'BEGIN {
    for (i = 0; i < n; i++) {
      part = sprintf("P%07d.001", i)
      printf "APP|202403140900|L%07d|%s%06dABC|1|%s|Onderwerp %d|||||NL|||ORG||||||SURNAME%d\n",
        i, (i % 2 == 0) ? "EDI" : "MSG", i, part, i, i % 97 > "qrtlnk.rcv"
      printf "part of message %d\n", i > part
      close(part)
    }
  }')
}

# fresh_copy FROM TO: TO becomes a copy of the store directory FROM, made quickly: the part files
# are hard links (the runs only read and remove them), the files the runs rewrite are copies.
fresh_copy() {
  echo "chmod -R u+w '$2' 2>/dev/null; rm -rf '$2' && cp -al '$1' '$2' && for f in qrtlnk.rcv taken.txt; do [ -e '$1'/\$f ] && rm -f '$2'/\$f && cp '$1'/\$f '$2'/\$f; done; true"
}

# --- 1. EDIFACT split and merge -----------------------------------------------------------------

split_pair() {
  local layout=$1 sep=$2 awk_split
  local home=$work/split-$layout ref=$work/ref-$layout
  mkdir -p "$home" "$ref"
  edifact_file 10000 "$sep" >"$work/$layout.edi"
  cp "$work/$layout.edi" "$home/big.edi"
  cp "$work/$layout.edi" "$ref/big.edi"
  printf 'POS=U\nPIN=P\n' >"$home/qrtlnk.gns"  # no service named: the connection fails
  if [ -n "$sep" ]; then
    awk_split='awk '\''/^UNB\+/ { if (f) close(f); f = sprintf("A%06d.edi", ++n) } { print > f }'\'' big.edi'
  else
    awk_split='awk '\''BEGIN { RS = "UNB\\+" } NR > 1 { f = sprintf("A%06d.edi", NR - 1); printf "UNB+%s", $0 > f; close(f) }'\'' big.edi'
  fi
  compare "split+merge 10,000, $layout" \
    "cd '$home' && rm -f qrtlnk.snd qrtlnk.sav qrtlnk.sts qrtlnk.err qrt_lnk.old qrt400.log && printf '*001ZEND\nMID=EDI\nFIL=big.edi\n' >qrtlnk.scr && exec '$bin/kovendi' /FT" \
    "cd '$ref' && $awk_split && cat A*.edi >big.new && rm -f A*.edi && mv big.new big.edi" \
    "cmp -s '$home/big.edi' '$work/$layout.edi' && ! ls '$home'/KV* >/dev/null 2>&1 && grep -q 1050 '$home/qrtlnk.sts'" \
    "awk + cat"
  cmp -s "$ref/big.edi" "$work/$layout.edi" || { echo "awk + cat did not put the file together" >&2; exit 1; }
}

# --- 2. /U= -------------------------------------------------------------------------------------

update_pair() {
  local home=$work/update
  store "$work/update-store" 100000
  awk 'NR % 2 == 1' "$work/update-store/qrtlnk.rcv" >"$work/update-store/taken.txt"
  local fresh
  fresh=$(fresh_copy "$work/update-store" "$home")
  bash -c "$fresh"
  compare "/U= of 100,000 (50,000 taken)" \
    "cd '$home' && exec '$bin/kovendi' /FT /U=taken.txt" \
    "cd '$work/update-store' && grep -Fxvf taken.txt qrtlnk.rcv >'$work/grep.out'" \
    "[ \$(wc -l <'$home/qrtlnk.rcv') -eq 50000 ] && $fresh" \
    "grep -Fxvf"
}

# --- 3. /R --------------------------------------------------------------------------------------

retrieve_pair() {
  local home=$work/retrieve ref=$work/retrieve-ref
  store "$work/retrieve-store" 100000
  cat >"$work/retrieve.py" <<'PY'
import os, sys
# The same work as /R /MID=EDI* /FIL=out.dat: selected messages' parts to the output file, the
# others stay in the store; output file and store each written beside, flushed and renamed, the
# directory flushed after each; the parts go last.
def replace(name, data_writer):
    with open(name + ".new", "wb") as f:
        data_writer(f)
        f.flush()
        os.fsync(f.fileno())
    os.rename(name + ".new", name)
    d = os.open(".", os.O_RDONLY)
    os.fsync(d)
    os.close(d)
kept, parts = [], []
def output(f):
    for line in open("qrtlnk.rcv", "rb"):
        fields = line.split(b"|")
        if fields[3].upper().startswith(b"EDI"):
            with open(fields[5], "rb") as p:
                f.write(p.read())
            parts.append(fields[5])
        else:
            kept.append(line)
replace("out.dat", output)
replace("qrtlnk.rcv", lambda f: f.writelines(kept))
for p in parts:
    os.remove(p)
PY
  local fresh
  fresh="$(fresh_copy "$work/retrieve-store" "$home") && $(fresh_copy "$work/retrieve-store" "$ref")"
  bash -c "$fresh"
  compare "/R of 50,000 of 100,000" \
    "cd '$home' && exec '$bin/kovendi' /FT /R /MID=EDI* /FIL=out.dat" \
    "cd '$ref' && exec python3 '$work/retrieve.py'" \
    "[ \$(wc -l <'$home/qrtlnk.rcv') -eq 50000 ] && [ \$(wc -l <'$home/out.dat') -eq 50000 ] && $fresh" \
    "python3"
}

# --- 4. a normal run ----------------------------------------------------------------------------

normal_pair() {
  local home=$work/normal
  mkdir -p "$home"
  "$bin/kovendi-store" init "$work/store" >/dev/null
  "$bin/kovendi-store" add-mailbox "$work/store" alice SECRET1 COU=NL ADM=400NET ORG=ACME \
    SUR=Alders >/dev/null
  printf 'POS=alice\nPIN=SECRET1\nSRV=file:../store\nPNB=1\n' >"$home/qrtlnk.gns"
  compare "normal run (one RAPPORT)" \
    "cd '$home' && printf '*001RAPPORT\n' >qrtlnk.scr && exec '$bin/kovendi' /FT" \
    "java -version" \
    "grep -q '^\*001RAPPORT|[0-9]*|0000' '$home/qrtlnk.sts' && [ ! -e '$home/qrtlnk.err' ]" \
    "java -version"
}

echo "load before: $(cut -d' ' -f1-3 /proc/loadavg)   $(nproc) processors   $runs runs each"
if wanted split; then
  split_pair "segment per line" '\n'
  split_pair "all on one line" ''
fi
if wanted update; then update_pair; fi
if wanted retrieve; then retrieve_pair; fi
if wanted normal; then normal_pair; fi
echo "load after:  $(cut -d' ' -f1-3 /proc/loadavg)"
