#!/usr/bin/env bash
# Configures and builds one build tree: scripts/build.sh BUILD_DIR [extra cmake arguments]
set -euo pipefail
src=$(cd "$(dirname "$0")/.." && pwd)
build=${1:?build directory}
shift
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$build" -- -k 0
