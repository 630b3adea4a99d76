#!/usr/bin/env bash
# Throughput of the embedded store and of a PostgreSQL message service (a server of the
# benchmark's own): PARTIES parties (default 20), each a process of its own, each sending MESSAGES
# messages (default 50) to the others and receiving what it gets, all at once. Prints messages per
# second for both and whether every message arrived exactly once. Needs a build with tests
# (scripts/build.sh); KOVENDI_BUILD_DIR chooses another build tree than build/.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${KOVENDI_BUILD_DIR:-$src/build}
cp="$build/bin/lib/kovendi.jar:$build/java-tests/kovendi-tests.jar:$build/bin/lib/postgresql.jar"
exec java -cp "$cp" nl.kovendi.store.Benchmark "$@"
