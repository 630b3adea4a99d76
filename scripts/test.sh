#!/usr/bin/env bash
# Sets up a fresh machine and runs every test: the normal build and the build with
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows build under Wine. As root,
# the suite runs as the unprivileged user "kvtest" on a copy of the tree, so that permission
# checks are real.
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
"$src/scripts/setup.sh" windows

if [ "$(id -u)" -eq 0 ]; then
  id kvtest >/dev/null 2>&1 || useradd --create-home --shell /bin/bash kvtest
  work=$(mktemp -d /tmp/kovendi-test.XXXXXX)
  rsync -a --exclude '/build*' --exclude '.git' "$src/" "$work/src/"
  chown -R kvtest: "$work"
  chmod 755 "$work"
  # What the tests of other users and of a full disk need, made while still root and handed over
  # in the environment (the tests skip, saying why, without it): a second user kvtest2 sharing
  # the group kvshare with kvtest, whom kvtest may become through sudo and nobody else; and a
  # small file system of kvtest's own, which the tests fill.
  getent group kvshare >/dev/null || groupadd kvshare
  id kvtest2 >/dev/null 2>&1 || useradd --create-home --shell /bin/bash kvtest2
  usermod -a -G kvshare kvtest
  usermod -a -G kvshare kvtest2
  sudoers=/etc/sudoers.d/kovendi-tests
  echo 'kvtest ALL=(kvtest2) NOPASSWD: ALL' >"$sudoers"
  chmod 0440 "$sudoers"
  small=$(mktemp -d /tmp/kovendi-small.XXXXXX)
  if ! mount -t tmpfs -o "size=1m,mode=0700,uid=$(id -u kvtest),gid=$(id -g kvtest)" \
      kovendi-small "$small"; then
    echo "test: no tmpfs could be mounted; the disk-full tests will skip" >&2
    rmdir "$small"
    small=
  fi
  clean_up() {
    if [ -n "$small" ]; then umount "$small" && rmdir "$small"; fi
    rm -f "$sudoers"
    rm -rf "$work"
  }
  trap clean_up EXIT
  status=0
  runuser -u kvtest -- env HOME=/home/kvtest KOVENDI_TEST_SMALL_FS="$small" \
    KOVENDI_TEST_OTHER_USER=kvtest2 KOVENDI_TEST_SHARED_GROUP=kvshare \
    "$work/src/scripts/test.sh" || status=$?
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

# The fuzz targets, built with clang and libFuzzer (the fuzz programs and the libraries they use),
# each run for a short while on its corpus (label "fuzz").
CC=clang CXX=clang++ cmake -S "$src" -B "$src/build-fuzz" -G Ninja -DKOVENDI_FUZZ=ON \
  -DKOVENDI_BUILD_TESTS=OFF -DKOVENDI_FUZZ_SECONDS="${KOVENDI_FUZZ_SECONDS:-15}" \
  -DCMAKE_BUILD_TYPE=None -DCMAKE_CXX_FLAGS="-O1 -g1" >/dev/null
cmake --build "$src/build-fuzz" --target kv_fuzz_targets
(cd "$src/build-fuzz" && ctest --output-on-failure -j "$jobs" -L fuzz)

# The Windows build and its tests under Wine (skipped with a message where Wine cannot start).
"$src/scripts/test-windows.sh" "$src/build-windows"
