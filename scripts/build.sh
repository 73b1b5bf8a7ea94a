#!/usr/bin/env bash
# Configures and builds the app, the tests, the packaging-tool stand-ins and the
# benchmarks; arguments go to the build (say, --target Quillmere to build the app alone).
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUILLMERE_BUILD_DIR:-$root/build}"

cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE="${QUILLMERE_BUILD_TYPE:-Debug}" > /dev/null
cmake --build "$build" -j "$(nproc)" "$@"
