#!/usr/bin/env bash
# Installs what is needed, builds, and runs every test under a virtual display.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUILLMERE_BUILD_DIR:-$root/build}"

"$root/scripts/install-deps.sh"
QUILLMERE_BUILD_DIR="$build" "$root/scripts/build.sh"

cd "$build"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j "$(nproc)" "$@"
