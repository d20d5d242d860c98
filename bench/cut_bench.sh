#!/usr/bin/env bash
# Times `sonicrop-cli cut` against cp (the floor) and, when installed, ffmpeg's segment muxer and
# mp3splt; then a faded cut against encoding the same audio with lame. Also samples the cut's
# anonymous memory on a small and a large file, which must stay flat.
#
# Usage: bench/cut_bench.sh [path/to/sonicrop-cli]    (default: build/cli/sonicrop-cli)
# Work files go to bench/out/ (git-ignored). Needs ffmpeg and lame to make the audio, hyperfine to time.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${1:-build/cli/sonicrop-cli}")
out=bench/out
mkdir -p "$out"

# --- Test audio ---------------------------------------------------------------------------------
# One minute of a chord with some noise, encoded once at 128 kbit/s CBR without an information
# frame (-t), then repeated: the frames of a CBR stream concatenate into a valid longer stream.
if [ ! -f "$out/minute.mp3" ]; then
    ffmpeg -loglevel error -y -f lavfi -i "sine=f=220:d=60,volume=0.3[a];sine=f=331:d=60,volume=0.2[b];anoisesrc=d=60:a=0.02[c];[a][b][c]amix=inputs=3" \
        -ac 2 -ar 44100 "$out/minute.wav"
    lame --quiet -t -b 128 "$out/minute.wav" "$out/minute.mp3"
fi
if [ ! -f "$out/big.mp3" ]; then
    # ~100 MB: 104 minutes.
    for _ in $(seq 104); do cat "$out/minute.mp3"; done >"$out/big.mp3"
fi
if [ ! -f "$out/five.wav" ]; then
    ffmpeg -loglevel error -y -stream_loop 4 -i "$out/minute.wav" -c copy "$out/five.wav"
    lame --quiet -t -b 128 "$out/five.wav" "$out/five.mp3"
fi
size=$(stat -c %s "$out/big.mp3")
seconds=$((size * 8 / 128000))
echo "big.mp3: $size bytes, about $seconds s; five.mp3: $(stat -c %s "$out/five.mp3") bytes"

clean="rm -rf $out/big_0*.mp3 $out/five_0*.mp3 $out/copy.mp3 $out/seg $out/splt $out/enc.mp3; mkdir -p $out/seg $out/splt"

# --- Frame-copy cut against its peers -------------------------------------------------------------
commands=(
    "cp $out/big.mp3 $out/copy.mp3"
    "$cli cut --count 5 $out/big.mp3"
)
names=("cp" "sonicrop-cli cut --count 5")
if command -v ffmpeg >/dev/null; then
    commands+=("ffmpeg -loglevel error -y -i $out/big.mp3 -c copy -f segment -segment_time $((seconds / 5 + 1)) $out/seg/part%02d.mp3")
    names+=("ffmpeg -c copy -f segment")
fi
if command -v mp3splt >/dev/null; then
    commands+=("mp3splt -q -f -S 5 -d $out/splt $out/big.mp3")
    names+=("mp3splt -f -S 5")
fi
args=()
for i in "${!commands[@]}"; do args+=(-n "${names[$i]}" "${commands[$i]}"); done
hyperfine --warmup 1 --runs "${RUNS:-5}" --prepare "$clean" --export-markdown "$out/cut.md" "${args[@]}"

# --- Faded cut against plain encoding -------------------------------------------------------------
hyperfine --warmup 1 --runs "${FADE_RUNS:-3}" --prepare "$clean" --export-markdown "$out/fade.md" \
    -n "sonicrop-cli cut --fade-in 2 --fade-out 2 --count 5" "$cli cut --fade-in 2 --fade-out 2 --count 5 $out/five.mp3" \
    -n "lame -b 128 (WAV)" "lame --quiet -b 128 $out/five.wav $out/enc.mp3"

# --- Anonymous memory: peak RssAnon of the cut, sampled every few milliseconds --------------------
peak_anon() {
    "$@" >/dev/null &
    local pid=$! peak=0 now
    while kill -0 "$pid" 2>/dev/null; do
        now=$(awk '/RssAnon/ {print $2}' "/proc/$pid/status" 2>/dev/null || echo 0)
        [ -n "$now" ] && [ "$now" -gt "$peak" ] && peak=$now
        sleep 0.002
    done
    wait "$pid"
    echo "$peak"
}
head -c $((size / 10)) "$out/big.mp3" >"$out/small.mp3"
eval "$clean"; rm -f "$out"/small_0*.mp3
echo "peak RssAnon, cut --count 5 of $((size / 10)) bytes: $(peak_anon "$cli" cut --count 5 "$out/small.mp3") kB"
eval "$clean"
echo "peak RssAnon, cut --count 5 of $size bytes: $(peak_anon "$cli" cut --count 5 "$out/big.mp3") kB"
eval "$clean"; rm -f "$out"/small_0*.mp3
if command -v valgrind >/dev/null; then
    # The heap alone, measured exactly: it must be the same for both sizes.
    for file in small big; do
        eval "$clean"; rm -f "$out"/small_0*.mp3
        valgrind --tool=massif --massif-out-file="$out/massif.$file" "$cli" cut --count 5 "$out/$file.mp3" >/dev/null 2>&1
        echo "peak heap, cut --count 5 of $file.mp3: $(sed -n 's/mem_heap_B=//p' "$out/massif.$file" | sort -n | tail -1) bytes"
    done
fi
eval "$clean"; rm -f "$out"/small_0*.mp3
