#!/usr/bin/env bash
# Frame-copy cut and join against their floors, cp and cat, over the three kinds of stream and two
# sizes, with the peak resident memory of each run:
#   cbr   LAME 320 kbit/s without an information frame (lame -t);
#   info  LAME 320 kbit/s with its Info frame and LAME tag;
#   vbr   LAME -V 0 with its Xing frame, LAME tag and seek table;
# each of about 100 MB and 1 GB. The cut is `cut --count 5`; the join joins those five pieces, so the
# pieces' priming frames are dropped and one new information frame is written.
#
# The 100 MB sources are encoded by lame. The 1 GB sources are ten of them joined by sonicrop-cli
# (frame copy, one fresh information frame) or, for cbr, concatenated with cat.
# Work files go to bench/out/speed (git-ignored, about 10 GB while the 1 GB runs). Warm cache; every
# run starts after a sync, so the last run's write-back does not fall into the next.
# Usage: bench/copy_speed_bench.sh [100M|1G|all]
# Environment: SONICROP_CLI (default build/cli/sonicrop-cli), RUNS (default 5).
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${SONICROP_CLI:-build/cli/sonicrop-cli}")
runs=${RUNS:-5}
which=${1:-all}
out=bench/out/speed
mkdir -p "$out"

for tool in lame hyperfine ffmpeg /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "copy_speed_bench: $tool is needed" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "copy_speed_bench: build $cli first" >&2; exit 1; }

# --- Sources ---------------------------------------------------------------------------------------
# 42 minutes of two tones and noise: about 100 MB at 320 kbit/s; twice that at -V 0, which spends
# about half as many bits on it.
seconds=2520 # the vbr source gets twice as much, to reach the same size
music() {
    local d=$1
    ffmpeg -loglevel error -f lavfi -i "sine=f=220:d=$d,volume=0.3[a];sine=f=331:d=$d,volume=0.2[b];anoisesrc=d=$d:a=0.08[c];[a][b][c]amix=inputs=3" \
        -ac 2 -ar 44100 -f wav -
}
[ -f "$out/cbr_100M.mp3" ] || music $seconds | lame --quiet -t -b 320 - "$out/cbr_100M.mp3"
[ -f "$out/info_100M.mp3" ] || music $seconds | lame --quiet -b 320 - "$out/info_100M.mp3"
[ -f "$out/vbr_100M.mp3" ] || music $((seconds * 2)) | lame --quiet -V 0 - "$out/vbr_100M.mp3"
if [ "$which" != 100M ]; then
    [ -f "$out/cbr_1G.mp3" ] || for _ in $(seq 10); do cat "$out/cbr_100M.mp3"; done >"$out/cbr_1G.mp3"
    for kind in info vbr; do
        if [ ! -f "$out/${kind}_1G.mp3" ]; then
            copies=()
            for _ in $(seq 10); do copies+=("$out/${kind}_100M.mp3"); done
            "$cli" join -o "$out/${kind}_1G.mp3" "${copies[@]}" >/dev/null
        fi
    done
fi

# --- Runs -------------------------------------------------------------------------------------------
# Peak resident set of one run, in MB.
peak_rss() {
    /usr/bin/time -f %M -o "$out/rss" "$@" >/dev/null 2>&1
    echo "$(($(cat "$out/rss") / 1024))"
}
# Mean seconds of a hyperfine result exported as JSON, by command index.
mean() { python3 -c "import json,sys; print('%.3f' % json.load(open(sys.argv[1]))['results'][int(sys.argv[2])]['mean'])" "$1" "$2"; }
# The ratio of the medians of command 1 and command 0: one run slowed by the write-back of
# earlier runs moves the mean of ten a lot, the median hardly.
median_ratio() {
    python3 -c "import json,sys; r=json.load(open(sys.argv[1]))['results']; print('%.2f' % (r[1]['median'] / r[0]['median']))" "$1"
}

sizes=(100M 1G)
[ "$which" = 100M ] && sizes=(100M)
[ "$which" = 1G ] && sizes=(1G)
table="$out/table.md"
{
    echo "| source | size | cp s | cut s | cut/cp | median | cut RSS MB | cat s | join s | join/cat | median | join RSS MB |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|---|"
} >"$table"
for size in "${sizes[@]}"; do
    for kind in cbr info vbr; do
        name=${kind}_$size
        src="$out/$name.mp3"
        clean="rm -f $out/${name}_0*.mp3 $out/copy.mp3; sync"
        hyperfine --style basic --warmup 1 --runs "$runs" --prepare "$clean" --export-json "$out/cut_$name.json" \
            -n "cp $name" "cp $src $out/copy.mp3" \
            -n "cut --count 5 $name" "$cli cut --count 5 $src"
        eval "$clean"
        cut_rss=$(peak_rss "$cli" cut --count 5 "$src")
        pieces=("$out/${name}"_0*.mp3)
        hyperfine --style basic --warmup 1 --runs "$runs" --prepare "rm -f $out/joined.mp3; sync" --export-json "$out/join_$name.json" \
            -n "cat $name pieces" "cat ${pieces[*]} > $out/joined.mp3" \
            -n "join $name pieces" "$cli join -o $out/joined.mp3 ${pieces[*]}"
        rm -f "$out/joined.mp3"
        join_rss=$(peak_rss "$cli" join -o "$out/joined.mp3" "${pieces[@]}")
        cp_s=$(mean "$out/cut_$name.json" 0); cut_s=$(mean "$out/cut_$name.json" 1)
        cat_s=$(mean "$out/join_$name.json" 0); join_s=$(mean "$out/join_$name.json" 1)
        echo "| $kind | $(stat -c %s "$src") | $cp_s | $cut_s | $(python3 -c "print('%.2f' % ($cut_s / $cp_s))")" \
             "| $(median_ratio "$out/cut_$name.json") | $cut_rss" \
             "| $cat_s | $join_s | $(python3 -c "print('%.2f' % ($join_s / $cat_s))")" \
             "| $(median_ratio "$out/join_$name.json") | $join_rss |" >>"$table"
        rm -f "$out/joined.mp3" "$out/copy.mp3" "${pieces[@]}"
    done
done
cat "$table"
