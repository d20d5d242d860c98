#!/usr/bin/env bash
# Join benchmarks against their floors, with hyperfine:
#   frame copy:  five ~20 MB CBR files without information frames, against cat (the floor)
#                and ffmpeg's concat demuxer with stream copy (when ffmpeg is installed);
#   re-encoding: a 5-minute 44.1 kHz stereo file and a 5-minute 22.05 kHz mono file joined to
#                44.1 kHz 128 kbit/s, against lame -b 128 encoding the same 10 minutes from WAV.
# Inputs are generated once into bench/out/ (git-ignored). Usage: bench/join_bench.sh [frame|reencode]
# Environment: SONICROP_CLI (default build/cli/sonicrop-cli), RUNS (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${SONICROP_CLI:-build/cli/sonicrop-cli}
runs=${RUNS:-5}
out=bench/out
mkdir -p "$out"
which=${1:-all}

for tool in lame hyperfine ffmpeg; do
    command -v "$tool" >/dev/null || { echo "join_bench: $tool is needed" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "join_bench: build $cli first" >&2; exit 1; }

# A sine WAV: name, seconds, rate, channels, frequency.
make_wav() {
    [ -f "$out/$1" ] || ffmpeg -loglevel error -y -f lavfi -i "sine=frequency=$5:sample_rate=$3:duration=$2" \
        -ac "$4" "$out/$1"
}

if [ "$which" = all ] || [ "$which" = frame ]; then
    # 520 s at 320 kbit/s is about 20.8 MB; lame -t writes no information frame.
    inputs=()
    for i in 1 2 3 4 5; do
        mp3="$out/copy$i.mp3"
        if [ ! -f "$mp3" ]; then
            make_wav "copy$i.wav" 520 44100 2 $((200 + 100 * i))
            lame --quiet -t -f -b 320 "$out/copy$i.wav" "$mp3"
            rm -f "$out/copy$i.wav"
        fi
        inputs+=("$mp3")
    done
    printf "file '%s'\n" "${inputs[@]/#$out\//}" >"$out/concat.txt"
    ls -l "${inputs[@]}"
    hyperfine --warmup 1 --runs "$runs" --export-markdown "$out/frame_copy.md" \
        -n cat "cat ${inputs[*]} > $out/joined_cat.mp3" \
        -n "sonicrop-cli join" "$cli join -o $out/joined_copy.mp3 ${inputs[*]}" \
        -n "ffmpeg concat" "ffmpeg -loglevel error -y -f concat -safe 0 -i $out/concat.txt -c copy $out/joined_ffmpeg.mp3"
    head -1 < <("$cli" join -o "$out/joined_copy.mp3" "${inputs[@]}")
fi

if [ "$which" = all ] || [ "$which" = reencode ]; then
    make_wav stereo44.wav 300 44100 2 440
    make_wav mono22.wav 300 22050 1 660
    [ -f "$out/stereo44.mp3" ] || lame --quiet -b 128 "$out/stereo44.wav" "$out/stereo44.mp3"
    [ -f "$out/mono22.mp3" ] || lame --quiet -b 64 "$out/mono22.wav" "$out/mono22.mp3"
    # The same ten minutes as one 44.1 kHz stereo WAV for lame.
    [ -f "$out/ten44.wav" ] || ffmpeg -loglevel error -y -i "$out/stereo44.wav" -i "$out/mono22.wav" -filter_complex \
        "[1:a]aresample=44100,aformat=channel_layouts=stereo[b];[0:a][b]concat=n=2:v=0:a=1" "$out/ten44.wav"
    hyperfine --warmup 1 --runs "$runs" --export-markdown "$out/reencode.md" \
        -n "lame -b 128" "lame --quiet -b 128 $out/ten44.wav $out/ten_lame.mp3" \
        -n "sonicrop-cli join (re-encode)" "$cli join -o $out/joined_reencode.mp3 $out/stereo44.mp3 $out/mono22.mp3"
    head -1 < <("$cli" join -o "$out/joined_reencode.mp3" "$out/stereo44.mp3" "$out/mono22.mp3")
fi
