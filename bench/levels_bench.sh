#!/usr/bin/env bash
# Times 'sonicrop-cli levels' on one-hour files (128 and 320 kbit/s CBR, VBR -V 2) against a full
# decode of the same files (lame --decode), which the level overview must beat tenfold.
# Usage: bash bench/levels_bench.sh [--callgrind] [path/to/sonicrop-cli]
# --callgrind also counts the instructions of each run (both threads), a figure a loaded machine
# does not disturb.
set -euo pipefail
cd "$(dirname "$0")/.."
callgrind=0
if [ "${1:-}" = "--callgrind" ]; then
    callgrind=1
    shift
fi
cli=${1:-build/cli/sonicrop-cli}
out=bench/out
mkdir -p "$out"

if [ ! -f "$out/levels-vbr-1h.mp3" ]; then
    # A minute that swells and fades, with bursts of noise and a quiet stretch, so the encoder
    # varies its frames as on music.
    python3 - "$out/levels-minute.wav" <<'PY'
import math, random, struct, sys, wave
random.seed(7)
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(44100)
    frames = bytearray()
    for i in range(44100 * 60):
        t = i / 44100
        swell = 0.5 + 0.5 * math.sin(2 * math.pi * 0.2 * t)
        quiet = 0.01 if t % 20 > 17 else 1.0
        burst = random.uniform(-1, 1) if t % 0.5 < 0.05 else 0.0
        v = quiet * (0.3 * swell * (math.sin(2 * math.pi * 220 * t) + 0.5 * math.sin(2 * math.pi * 1330 * t)) + 0.2 * burst)
        s = int(max(-1, min(1, v)) * 32000)
        frames += struct.pack("<hh", s, -s)
    w.writeframes(bytes(frames))
PY
    lame --quiet -t -b 128 "$out/levels-minute.wav" "$out/levels-minute-128.mp3"
    lame --quiet -t -b 320 "$out/levels-minute.wav" "$out/levels-minute-320.mp3"
    lame --quiet -t -V 2 "$out/levels-minute.wav" "$out/levels-minute-vbr.mp3"
    for kind in 128 320 vbr; do
        for _ in $(seq 60); do cat "$out/levels-minute-$kind.mp3"; done > "$out/levels-$kind-1h.mp3"
    done
fi
ls -l "$out"/levels-*-1h.mp3
files=("$out/levels-128-1h.mp3" "$out/levels-320-1h.mp3" "$out/levels-vbr-1h.mp3")
if command -v hyperfine >/dev/null; then
    # Interleaved runs on a shared machine: look at the medians and the user times.
    hyperfine -N --warmup 2 --runs 15 --export-json "$out/levels-bench.json" \
        "$cli levels --json ${files[0]}" "$cli levels --json ${files[1]}" "$cli levels --json ${files[2]}"
    hyperfine -N --runs 2 "lame --quiet --decode ${files[0]} /dev/null" "lame --quiet --decode ${files[2]} /dev/null"
else
    for f in "${files[@]}"; do
        /usr/bin/time -f "$f: %e s, user %U s" "$cli" levels --json "$f" >/dev/null
        /usr/bin/time -f "decode $f: %e s" lame --quiet --decode "$f" /dev/null
    done
fi
if [ $callgrind -eq 1 ]; then
    for f in "${files[@]}"; do
        echo -n "$f: "
        valgrind --tool=callgrind --callgrind-out-file=/dev/null "$cli" levels --json "$f" 2>&1 >/dev/null \
            | sed -n 's/.*Collected : \([0-9]*\).*/\1 instructions/p'
    done
fi
