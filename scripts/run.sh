#!/usr/bin/env bash
# Builds Sonicrop and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)"
if [ -x build/app/sonicrop ]; then
    exec build/app/sonicrop "$@"
fi
exec build/cli/sonicrop-cli --help
