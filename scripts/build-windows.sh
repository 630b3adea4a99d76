#!/usr/bin/env bash
# Builds kovendi.exe, kovedial.exe and the tests for Windows with the mingw-w64 cross compilers:
#   scripts/build-windows.sh [BUILD_DIR] [extra cmake arguments]      (default build-windows/)
# As root it first installs what is missing (scripts/setup.sh windows). The programs land in
# BUILD_DIR/bin with lib/kovendi.jar (the jar of the Linux build); "cpack" in BUILD_DIR makes the
# package kovendi-VERSION-windows-x64.zip. Wine, when installed, is named as the emulator through
# which CTest runs the test programs (scripts/test-windows.sh).
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$src/build-windows}
[ $# -gt 0 ] && shift
if [ "$(id -u)" -eq 0 ]; then
  "$src/scripts/setup.sh" windows
fi
emulator=()
for wine in "$(command -v wine64 || true)" /usr/lib/wine/wine64; do
  if [ -n "$wine" ] && [ -x "$wine" ]; then
    emulator=(-DCMAKE_CROSSCOMPILING_EMULATOR="$wine")
    break
  fi
done
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-w64.cmake" \
  -DCMAKE_BUILD_TYPE=Release "${emulator[@]}" "$@" >/dev/null
cmake --build "$build" -- -k 0
