#!/usr/bin/env bash
# Installs what Quillmere needs to build, run and test on Debian 12. Run as root.
set -euo pipefail

packages=(
    build-essential cmake pkg-config
    juce-modules-source libexpat1-dev
    googletest libgtest-dev libgmock-dev
    xvfb xauth xdotool xclip x11-utils openbox imagemagick
    clang libclang-rt-14-dev
    python3
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
