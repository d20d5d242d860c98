#!/usr/bin/env bash
# Builds Sonicrop and runs every test: the normal build, then the engine, platform and command-line
# tests again under AddressSanitizer and UndefinedBehaviorSanitizer, then about 15 s of fuzzing per
# parser when clang is there (scripts/fuzz.sh --smoke). "--quick" skips the sanitizer and fuzz passes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build --parallel "$jobs"
ctest --test-dir build --output-on-failure --parallel "$jobs"

if [ "${1:-}" != "--quick" ]; then
    # The fuzz smoke runs before the last test pass, so that the run ends on the test summary.
    if command -v clang++ >/dev/null; then
        bash scripts/fuzz.sh --smoke
    else
        echo "clang++ not found: fuzz smoke skipped"
    fi
    cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DSONICROP_SANITIZE=ON -DSONICROP_BUILD_GUI=OFF >/dev/null
    cmake --build build-asan --parallel "$jobs"
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
        ctest --test-dir build-asan --output-on-failure --parallel "$jobs"
fi
