#!/usr/bin/env bash
# Frame-copy cut and join of LAME-tagged files against cp and cat, with hyperfine. The sources carry
# the encoder's information frame and LAME tag, so every piece gets its own tag (delay, padding,
# counts, seek table, CRCs) and the join drops the pieces' priming frames and writes one new frame:
#   cut:  sonicrop-cli cut --count 5 of a LAME -V 2 file and of a LAME 192 kbit/s CBR file, against cp;
#   join: sonicrop-cli join of those five pieces (frame copy), against cat of the same pieces.
# Inputs are generated once into bench/out/ (git-ignored).
# Usage: bench/gapless_bench.sh    Environment: SONICROP_CLI (default build/cli/sonicrop-cli), RUNS (default 10),
# MINUTES (length of the audio, default 20).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${SONICROP_CLI:-build/cli/sonicrop-cli}")
runs=${RUNS:-10}
minutes=${MINUTES:-20}
out=bench/out/gapless
mkdir -p "$out"

for tool in lame hyperfine ffmpeg; do
    command -v "$tool" >/dev/null || { echo "gapless_bench: $tool is needed" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "gapless_bench: build $cli first" >&2; exit 1; }

seconds=$((minutes * 60))
if [ ! -f "$out/music.wav" ]; then
    ffmpeg -loglevel error -y -f lavfi -i "sine=f=220:d=$seconds,volume=0.3[a];sine=f=331:d=$seconds,volume=0.2[b];anoisesrc=d=$seconds:a=0.05[c];[a][b][c]amix=inputs=3" \
        -ac 2 -ar 44100 "$out/music.wav"
fi
[ -f "$out/vbr.mp3" ] || lame --quiet -V 2 "$out/music.wav" "$out/vbr.mp3"
[ -f "$out/cbr.mp3" ] || lame --quiet -b 192 "$out/music.wav" "$out/cbr.mp3"
ls -l "$out/vbr.mp3" "$out/cbr.mp3"

for kind in vbr cbr; do
    src="$out/$kind.mp3"
    clean="rm -f $out/${kind}_0*.mp3 $out/copy.mp3; sync"
    hyperfine --warmup 2 --runs "$runs" --prepare "$clean" --export-markdown "$out/cut_$kind.md" \
        -n "cp ($kind)" "cp $src $out/copy.mp3" \
        -n "sonicrop-cli cut --count 5 ($kind)" "$cli cut --count 5 $src"

    eval "$clean"
    "$cli" cut --count 5 "$src" >/dev/null
    pieces=("$out/${kind}"_0*.mp3)
    hyperfine --warmup 2 --runs "$runs" --prepare "rm -f $out/joined.mp3; sync" --export-markdown "$out/join_$kind.md" \
        -n "cat ($kind pieces)" "cat ${pieces[*]} > $out/joined.mp3" \
        -n "sonicrop-cli join ($kind pieces)" "$cli join -o $out/joined.mp3 ${pieces[*]}"
    # The pieces join back into the source's frames: the same frame and sample counts.
    "$cli" join -o "$out/joined.mp3" "${pieces[@]}" | head -1
    for file in "$src" "$out/joined.mp3"; do
        "$cli" info "$file" | grep -E 'frames:|LAME tag:'
    done
done
