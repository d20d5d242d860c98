#!/usr/bin/env bash
# Builds Sonicrop and starts the desktop program. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$(nproc)" --target sonicrop
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    # No desktop session (a server, a container): run on a virtual X display instead of failing.
    echo "No display found: starting Sonicrop on a virtual display (xvfb-run)." >&2
    exec xvfb-run -a build/app/sonicrop "$@"
fi
exec build/app/sonicrop "$@"
