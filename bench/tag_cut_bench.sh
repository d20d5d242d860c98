#!/usr/bin/env bash
# The cost of pieces' ID3v2 tags: `sonicrop-cli cut --count 5` of one stream with and without an
# ID3v2 tag (title, artist, album, track and a 140 KB cover picture, the tag TagLib renders again
# for every piece), at 128 and at 320 kbit/s, for one or two builds of the CLI.
#
# Wall clock: the runs of all variants are interleaved (one run of each in turn, RUNS rounds) and
# the median of each is printed, so load from other work on the machine falls on all of them
# alike. Instructions: one run of each under valgrind --tool=callgrind (CALLGRIND=0 skips it),
# which does not depend on the machine's load.
#
# Usage: bench/tag_cut_bench.sh [CLI [CLI2]]   (default build/cli/sonicrop-cli; CLI2, e.g. a build
#        of the previous commit, is measured beside it)
# Environment: RUNS (default 15), MINUTES of audio (default 20), CALLGRIND (default 1).
# Work files go to bench/out/tags (git-ignored).
set -euo pipefail
cd "$(dirname "$0")/.."
clis=("$(realpath "${1:-build/cli/sonicrop-cli}")")
[ $# -ge 2 ] && clis+=("$(realpath "$2")")
runs=${RUNS:-15}
minutes=${MINUTES:-20}
out=bench/out/tags
mkdir -p "$out"
for tool in ffmpeg lame python3; do
    command -v "$tool" >/dev/null || { echo "tag_cut_bench: $tool is needed" >&2; exit 1; }
done

# --- Sources: one minute encoded once, repeated (CBR frames concatenate), then tagged by ffmpeg.
if [ ! -f "$out/cover.png" ]; then
    # Noise does not compress: about 140 KB of PNG.
    ffmpeg -loglevel error -y -f lavfi -i "nullsrc=s=320x320,geq=random(1)*255:128:128" -frames:v 1 "$out/cover.png"
fi
for rate in 128 320; do
    if [ ! -f "$out/plain_$rate.mp3" ]; then
        ffmpeg -loglevel error -y -f lavfi -i "sine=f=220:d=60,volume=0.3[a];anoisesrc=d=60:a=0.05[b];[a][b]amix=inputs=2" \
            -ac 2 -ar 44100 -f wav - | lame --quiet -t -b "$rate" - "$out/minute_$rate.mp3"
        for _ in $(seq "$minutes"); do cat "$out/minute_$rate.mp3"; done >"$out/plain_$rate.mp3"
        ffmpeg -loglevel error -y -i "$out/plain_$rate.mp3" -i "$out/cover.png" -map 0 -map 1 -c copy -write_xing 0 \
            -id3v2_version 3 -metadata title="Album Side" -metadata artist="Band" -metadata album="Sides" \
            -metadata track=7 -disposition:v attached_pic "$out/tagged_$rate.mp3"
    fi
done
ls -l "$out"/plain_*.mp3 "$out"/tagged_*.mp3 | awk '{print $5, $9}'

variants=()
for c in "${!clis[@]}"; do
    for rate in 128 320; do
        for kind in plain tagged; do variants+=("$c:$kind:$rate"); done
    done
done
run() { # cli-index kind rate
    rm -f "$out"/"$2"_"$3"_0*.mp3
    "${clis[$1]}" cut --count 5 "$out/$2_$3.mp3" >/dev/null
}

echo "wall clock, $runs interleaved rounds (ms):"
: >"$out/times"
for _ in $(seq "$runs"); do
    for v in "${variants[@]}"; do
        IFS=: read -r c kind rate <<<"$v"
        sync
        start=$(date +%s%N)
        run "$c" "$kind" "$rate"
        echo "$v $((($(date +%s%N) - start) / 1000000))" >>"$out/times"
    done
done
python3 - "$out/times" <<'PY'
import statistics, sys
times = {}
for line in open(sys.argv[1]):
    key, ms = line.split()
    times.setdefault(key, []).append(int(ms))
for key, values in times.items():
    print(f"  cli{key.split(':')[0]} {key.split(':')[1]:6} {key.split(':')[2]} kbit/s: median {statistics.median(values):7.1f}"
          f"  (min {min(values)}, max {max(values)})")
PY

if [ "${CALLGRIND:-1}" = 1 ] && command -v valgrind >/dev/null; then
    echo "instructions (callgrind, one run):"
    for v in "${variants[@]}"; do
        IFS=: read -r c kind rate <<<"$v"
        rm -f "$out"/"${kind}_${rate}"_0*.mp3
        ir=$(valgrind --tool=callgrind --callgrind-out-file=/dev/null "${clis[$c]}" cut --count 5 "$out/${kind}_$rate.mp3" 2>&1 \
            >/dev/null | sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
        echo "  cli$c $kind $rate kbit/s: $ir"
    done
fi
