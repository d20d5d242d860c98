#!/usr/bin/env bash
# The cutter page on ~100 MB files: time from opening the file to the page ready (goal: under
# 0.3 s), from opening to the level strip drawn (levels read on a worker thread), and the time and
# CPU of 10 s of playback, for CBR files at 128 and 320 kbit/s and a VBR file without an
# information frame (the length is counted frame by frame in all).
#
# Usage: bench/cutter_bench.sh [path/to/cutter_bench]    (default: build/bench/cutter_bench)
# Work files go to bench/out/ (git-ignored). Needs ffmpeg and lame to make the audio.
set -euo pipefail
cd "$(dirname "$0")/.."
bench=$(realpath "${1:-build/bench/cutter_bench}")
out=bench/out
mkdir -p "$out"

# One minute of a chord with some noise, encoded without an information frame (-t), then repeated:
# the frames of such a stream concatenate into a valid longer stream.
if [ ! -f "$out/minute.wav" ]; then
    ffmpeg -loglevel error -y -f lavfi -i "sine=f=220:d=60,volume=0.3[a];sine=f=331:d=60,volume=0.2[b];anoisesrc=d=60:a=0.02[c];[a][b][c]amix=inputs=3" \
        -ac 2 -ar 44100 "$out/minute.wav"
fi
make_big() { # name, lame options
    local name=$1
    shift
    if [ ! -f "$out/$name.mp3" ]; then
        lame --quiet -t "$@" "$out/minute.wav" "$out/$name-minute.mp3"
        : >"$out/$name.mp3"
        while [ "$(stat -c %s "$out/$name.mp3")" -lt 100000000 ]; do cat "$out/$name-minute.mp3" >>"$out/$name.mp3"; done
    fi
    echo "$name.mp3: $(stat -c %s "$out/$name.mp3") bytes"
}
make_big cbr100 -b 128
make_big cbr320 -b 320
make_big vbr100 -V 2

QT_QPA_PLATFORM=offscreen "$bench" "$out/cbr100.mp3" "$out/cbr320.mp3" "$out/vbr100.mp3"
