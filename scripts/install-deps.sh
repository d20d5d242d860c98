#!/usr/bin/env bash
# Installs the Debian packages Sonicrop needs to build, run and test, when any is missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config libmp3lame-dev lame libtag1-dev
          qt6-base-dev qt6-multimedia-dev libgtest-dev googletest libbenchmark-dev
          xvfb xauth pulseaudio
          clang libclang-rt-14-dev)
missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
