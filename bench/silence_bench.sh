#!/usr/bin/env bash
# Silence splitting against ffmpeg's silencedetect on the same one-hour file, at 128 and 320 kbit/s:
#   where: our cut points (the pieces' gapless decoded lengths, added up) against the middles of the
#          silences ffmpeg finds with the same threshold and minimum, and against the silences the
#          file was made with;
#   speed: our analysis (levels from the side information, no decoding) against ffmpeg's, which
#          decodes; interleaved runs, medians.
# The source: passages of tones and noise with gaps of digital silence that cycle through 2.0, 1.5
# and 0.8 s (the last too short for the default minimum of 1.0 s), one passage every 90 s.
# Inputs and pieces go to bench/out/silence/ (git-ignored).
# Usage: bench/silence_bench.sh    Environment: SONICROP_CLI (default build/cli/sonicrop-cli), RUNS (default 7),
# MINUTES (default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${SONICROP_CLI:-build/cli/sonicrop-cli}")
runs=${RUNS:-7}
minutes=${MINUTES:-60}
out=bench/out/silence
mkdir -p "$out"
for tool in lame ffmpeg python3; do
    command -v "$tool" >/dev/null || { echo "silence_bench: $tool is needed" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "silence_bench: build $cli first" >&2; exit 1; }

seconds=$((minutes * 60))
period=90
wav="$out/show-$minutes.wav"
if [ ! -f "$wav" ]; then
    # Silence where the time within its 3-passage cycle lies in a gap; 64-sample blocks, so the
    # gaps' edges fall within 1.5 ms of their times.
    cycle=$((3 * period))
    silent="between(mod(t,$cycle),$period-2,$period)+between(mod(t,$cycle),2*$period-1.5,2*$period)"
    silent+="+between(mod(t,$cycle),3*$period-0.8,3*$period)"
    ffmpeg -loglevel error -y -f lavfi -i "sine=f=220:d=$seconds" -f lavfi -i "sine=f=331:d=$seconds" \
        -f lavfi -i "anoisesrc=d=$seconds:a=0.1:c=pink" \
        -filter_complex "[0][1][2]amix=inputs=3,asetnsamples=n=64,volume=0:enable='$silent'" -ac 2 -ar 44100 "$wav"
fi
for rate in 128 320; do
    [ -f "$out/show-$minutes-$rate.mp3" ] || lame --quiet -b "$rate" "$wav" "$out/show-$minutes-$rate.mp3"
done

declare -A ours theirs
for ((run = 0; run < runs; ++run)); do
    for rate in 128 320; do
        src="$out/show-$minutes-$rate.mp3"
        # A minimum longer than the file finds no silence: the run analyses and writes nothing.
        start=$(date +%s%N)
        "$cli" cut --silence --silence-min 3600 "$src" 2>/dev/null >/dev/null || true
        ours[$rate]+="$(( ($(date +%s%N) - start) / 1000 )) "
        # ffmpeg decodes the whole file, a thousand times slower: three runs of it are enough.
        if [ "$run" -lt 3 ]; then
            start=$(date +%s%N)
            ffmpeg -v error -i "$src" -af silencedetect=n=-48dB:d=1 -f null - 2>/dev/null
            theirs[$rate]+="$(( ($(date +%s%N) - start) / 1000 )) "
        fi
    done
done
median() { tr ' ' '\n' | grep . | sort -n | awk '{ v[NR] = $1 } END { printf "%.1f", v[int((NR + 1) / 2)] / 1000 }'; }
echo "Analysis of $minutes min, medians of interleaved runs ($runs of ours, 3 of ffmpeg; ms, whole process):"
for rate in 128 320; do
    echo "  $rate kbit/s: sonicrop-cli cut --silence $(echo "${ours[$rate]}" | median) ms;" \
        "ffmpeg silencedetect $(echo "${theirs[$rate]}" | median) ms"
done

for rate in 128 320; do
    src="$out/show-$minutes-$rate.mp3"
    rm -rf "$out/pieces-$rate"
    "$cli" cut --silence --output-folder "$out/pieces-$rate" "$src" >"$out/pieces-$rate.txt"
    ffmpeg -v info -i "$src" -af silencedetect=n=-48dB:d=1 -f null - 2>&1 | grep -o 'silence_\(start\|end\): [0-9.]*' \
        >"$out/ffmpeg-$rate.txt" || true
    python3 - "$rate" "$out" "$minutes" "$period" <<'PY'
import subprocess, sys
rate, out, minutes, period = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4])
pieces = [line.strip() for line in open(f"{out}/pieces-{rate}.txt") if line.strip()]
ours, at = [], 0
for piece in pieces[:-1]:
    pcm = subprocess.run(["ffmpeg", "-v", "error", "-i", piece, "-f", "s16le", "-ac", "1", "-"], capture_output=True).stdout
    at += len(pcm) // 2
    ours.append(at / 44100)
events = [line.split() for line in open(f"{out}/ffmpeg-{rate}.txt")]
starts = [float(v) for k, v in events if k == "silence_start:"]
ends = [float(v) for k, v in events if k == "silence_end:"]
total = minutes * 60
theirs = [(s + e) / 2 for s, e in zip(starts, ends) if s > 0.05 and e < total - 0.05]
truth = []
for k in range(total // period):
    gap = (2.0, 1.5, 0.8)[k % 3]
    if gap >= 1.0 and (k + 1) * period < total:
        truth.append((k + 1) * period - gap / 2)
def compare(a, b):
    diffs = [min(abs(x - y) for y in b) * 1000 for x in a] if b else []
    diffs.sort()
    return (f"median {diffs[len(diffs) // 2]:.1f} ms, largest {diffs[-1]:.1f} ms" if diffs else "none")
print(f"{rate} kbit/s: cuts: sonicrop {len(ours)}, ffmpeg silencedetect {len(theirs)}, made {len(truth)}")
print(f"  sonicrop against the made silences' middles: {compare(ours, truth)}")
print(f"  ffmpeg   against the made silences' middles: {compare(theirs, truth)}")
print(f"  sonicrop against ffmpeg:                     {compare(ours, theirs)}")
PY
done
