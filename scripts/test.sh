#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: the normal build and the build with
# AddressSanitizer and UndefinedBehaviorSanitizer. As root, the suite runs as the unprivileged
# user "kvtest" on a copy of the tree, so that permission checks are real.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh"

if [ "$(id -u)" -eq 0 ]; then
  id kvtest >/dev/null 2>&1 || useradd --create-home --shell /bin/bash kvtest
  work=$(mktemp -d /tmp/kovendi-test.XXXXXX)
  rsync -a --exclude '/build*' --exclude '.git' "$src/" "$work/src/"
  chown -R kvtest: "$work"
  chmod 755 "$work"
  status=0
  runuser -u kvtest -- env HOME=/home/kvtest "$work/src/scripts/test.sh" || status=$?
  rm -rf "$work"
  exit $status
fi

jobs=$(nproc)
"$src/scripts/build.sh" "$src/build"
# The kill harness (label "kill") kills runs at random moments: 30 trials per mode here.
export KOVENDI_KILL_TRIALS=${KOVENDI_KILL_TRIALS:-30}
(cd "$src/build" && ctest --output-on-failure -j "$jobs" --timeout 600)

# Light optimisation and line tables only: the sanitizer build is compiled quickly and still
# reports memory errors with their source lines.
"$src/scripts/build.sh" "$src/build-sanitize" -DKOVENDI_SANITIZE=ON -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_FLAGS="-O1 -g1"
# kovendi hosts a Java VM, whose own libraries keep memory to the end and whose threads the
# leak checker cannot stop cleanly: leaks are not checked, memory errors still are.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0:abort_on_error=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
# The kill harness ran above; under the sanitizers its timing windows would only be slower. The
# Java suites (label "java") run the same Java code as above and are left out.
(cd "$src/build-sanitize" && ctest --output-on-failure -j "$jobs" --timeout 900 -LE 'kill|java')
