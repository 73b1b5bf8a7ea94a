#!/usr/bin/env bash
# Installs what is needed, builds, and starts Quillmere.
set -euo pipefail

root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${QUILLMERE_BUILD_DIR:-$root/build-release}"
type="${QUILLMERE_BUILD_TYPE:-Release}"

"$root/scripts/install-deps.sh"

if [ -z "${DISPLAY:-}" ] || ! xdpyinfo > /dev/null 2>&1; then
    echo "Quillmere needs a graphical display, and none is reachable (DISPLAY='${DISPLAY:-}'): start it from a desktop session, or under xvfb-run." >&2
    exit 1
fi

# The app, and the packaging-tool stand-ins where the platform has no tools of its own.
targets=(Quillmere)
[ "$(uname)" = Darwin ] || targets+=(pkgbuild productbuild)

QUILLMERE_BUILD_DIR="$build" QUILLMERE_BUILD_TYPE="$type" "$root/scripts/build.sh" --target "${targets[@]}"

# Where the real packaging tools are missing, the project's stand-ins take their place.
if ! command -v pkgbuild > /dev/null || ! command -v productbuild > /dev/null; then
    export PATH="$PATH:$build/platform/tools"
fi

exec "$build/Quillmere_artefacts/$type/Quillmere"
