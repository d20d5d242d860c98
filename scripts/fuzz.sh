#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (build-fuzz/), writes their seeds, and runs each target.
#
#   scripts/fuzz.sh [--smoke] [--time SECONDS] [TARGET...]
#
# --smoke: about 15 s per target from the seeds alone, into a corpus that is thrown away; what the
#          test command runs. Any crash, sanitizer report, leak, hang (10 s) or 2 GB of memory fails.
# Otherwise each target runs SECONDS (default 600) at low priority, growing build-fuzz/corpus/TARGET,
# with its log in build-fuzz/logs/TARGET.log. Inputs that failed go to build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

smoke=0
seconds=600
targets=()
while [ $# -gt 0 ]; do
    case "$1" in
        --smoke) smoke=1; seconds=15 ;;
        --time) seconds="$2"; shift ;;
        *) targets+=("$1") ;;
    esac
    shift
done
if [ ${#targets[@]} -eq 0 ]; then
    targets=(FrameWalkFuzzer SourceOpenFuzzer ID3v1BlockFuzzer ProbeDecodeFuzzer FrameCopyCutFuzzer
             FrameCopyJoinFuzzer InfoFrameRewriteFuzzer ShellLinkFuzzer CueSheetFuzzer ID3v2TagFuzzer
             LevelOverviewFuzzer)
fi

CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSONICROP_FUZZ=ON \
    -DSONICROP_BUILD_GUI=OFF -DSONICROP_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" >/dev/null
rm -rf build-fuzz/seeds
build-fuzz/fuzz/MakeFuzzSeeds build-fuzz/seeds >/dev/null
mkdir -p build-fuzz/artifacts build-fuzz/logs

# The targets write their inputs and outputs here; on tmpfs where there is one.
scratch=$(mktemp -d -p "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")" sonicrop-fuzz.XXXXXX)
trap 'rm -rf "$scratch"' EXIT
export SONICROP_FUZZ_SCRATCH=$scratch
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1:suppressions=$PWD/fuzz/ubsan-suppressions.txt

failed=0
for target in "${targets[@]}"; do
    if [ $smoke -eq 1 ]; then
        corpus=$(mktemp -d)
        log=$(mktemp)
        prefix=()
    else
        corpus=build-fuzz/corpus/$target
        log=build-fuzz/logs/$target.log
        mkdir -p "$corpus"
        prefix=(nice -n 10)
    fi
    status=0
    "${prefix[@]}" "build-fuzz/fuzz/$target" "$corpus" "build-fuzz/seeds/$target" -max_total_time="$seconds" \
        -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="build-fuzz/artifacts/$target-" >"$log" 2>&1 || status=$?
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
    if [ $status -ne 0 ]; then
        echo "$target: FAILED after ${runs:-?} runs (exit $status); last lines of its log:"
        tail -40 "$log"
        failed=1
    else
        echo "$target: ${runs:-?} runs in ${seconds} s, no failure"
    fi
    if [ $smoke -eq 1 ]; then
        rm -rf "$corpus" "$log"
    fi
done
exit $failed
