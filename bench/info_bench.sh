#!/usr/bin/env bash
# Times 'sonicrop-cli info' on a ~100 MB 128 kbps CBR file, without and with an "Info" frame
# (with one, opening the file walks every frame to average the bitrate).
# Usage: bash bench/info_bench.sh [path/to/sonicrop-cli]
set -euo pipefail
cd "$(dirname "$0")/.."
cli=${1:-build/cli/sonicrop-cli}
out=bench/out
mkdir -p "$out"

if [ ! -f "$out/cbr100.mp3" ]; then
    python3 - "$out/info-minute.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as w:
    w.setnchannels(2); w.setsampwidth(2); w.setframerate(44100)
    frames = bytearray()
    for i in range(44100 * 60):
        v = int(12000 * math.sin(2 * math.pi * 440 * i / 44100) + 3000 * math.sin(2 * math.pi * 3111 * i / 44100))
        frames += struct.pack("<hh", v, -v)
    w.writeframes(bytes(frames))
PY
    lame --quiet -b 128 -t "$out/info-minute.wav" "$out/info-minute-notag.mp3"  # no information frame
    lame --quiet -b 128 "$out/info-minute.wav" "$out/info-minute-tagged.mp3"       # first frame is "Info"
    for _ in $(seq 105); do cat "$out/info-minute-notag.mp3"; done > "$out/cbr100.mp3"
    { head -c 417 "$out/info-minute-tagged.mp3"; cat "$out/cbr100.mp3"; } > "$out/cbr100-info.mp3"
fi
ls -l "$out/cbr100.mp3" "$out/cbr100-info.mp3"
if command -v hyperfine >/dev/null; then
    hyperfine --warmup 2 --runs 10 \
        "$cli info --json $out/cbr100.mp3" \
        "$cli info --json $out/cbr100-info.mp3"
else
    for f in cbr100 cbr100-info; do
        /usr/bin/time -f "$f: %e s, %M KB max resident" "$cli" info --json "$out/$f.mp3" >/dev/null
    done
fi
