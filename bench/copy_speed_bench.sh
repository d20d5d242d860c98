#!/usr/bin/env bash
# Frame-copy cut and join against their floors, cp and cat, over six kinds of stream and two
# sizes, with the peak resident memory of each run:
#   cbr      LAME 320 kbit/s without an information frame (lame -t);
#   info     LAME 320 kbit/s with its Info frame and LAME tag;
#   vbr      LAME -V 0 with its Xing frame, LAME tag and seek table;
#   cbr128   LAME 128 kbit/s without an information frame: two and a half times the frames per byte;
#   info128  LAME 128 kbit/s with its Info frame and LAME tag;
#   vbr2     LAME -V 2 (as many frames as cbr128, in two thirds of the bytes);
# each of about 100 MB and 1 GB (vbr2: 66 MB and 660 MB). The cut is `cut --count 5`; the join
# joins those five pieces, so the pieces' priming frames are dropped and one new information frame
# is written. The copy and the cut, and cat and the join, take turns run by run (hyperfine runs
# one command's series after the other's), so a change in the machine's load falls on both.
#
# The 100 MB sources are encoded by lame from a synthetic signal. The 1 GB sources are ten of them
# joined by sonicrop-cli (frame copy, one fresh information frame) or, without one, concatenated.
# Work files go to bench/out/speed (git-ignored, about 20 GB while the 1 GB runs). Warm cache;
# every run starts after a sync, so the last run's write-back does not fall into the next.
# Usage: bench/copy_speed_bench.sh [100M|1G|all] [kind...]   (default: all sizes, all kinds)
# Environment: SONICROP_CLI (default build/cli/sonicrop-cli), RUNS (default 5), BENCH_OUT (the work
# folder, default bench/out/speed: sources made once are kept there), and
# SONICROP_WORKER_LEAVES_POSTER=0 to run the output thread without the move off the reading
# thread's processor (SerialWorker), for a table with and one without it.
set -euo pipefail
cd "$(dirname "$0")/.."
cli=$(realpath "${SONICROP_CLI:-build/cli/sonicrop-cli}")
runs=${RUNS:-5}
which=${1:-all}
shift || true
kinds=("$@")
[ ${#kinds[@]} -gt 0 ] || kinds=(cbr info vbr cbr128 info128 vbr2)
out=${BENCH_OUT:-bench/out/speed}
mkdir -p "$out"

for tool in lame ffmpeg /usr/bin/time; do
    command -v "$tool" >/dev/null || { echo "copy_speed_bench: $tool is needed" >&2; exit 1; }
done
[ -x "$cli" ] || { echo "copy_speed_bench: build $cli first" >&2; exit 1; }

# --- Sources ---------------------------------------------------------------------------------------
# Two tones and noise. At 320 kbit/s 42 minutes make about 100 MB; -V 0 spends about half as many
# bits on it, so it gets twice as long. At 128 kbit/s 100 minutes make about 100 MB (229,000 frames).
music() {
    local d=$1
    ffmpeg -loglevel error -f lavfi -i "sine=f=220:d=$d,volume=0.3[a];sine=f=331:d=$d,volume=0.2[b];anoisesrc=d=$d:a=0.08[c];[a][b][c]amix=inputs=3" \
        -ac 2 -ar 44100 -f wav -
}
encode() { # kind -> seconds and lame options
    case $1 in
    cbr) echo "2520 -t -b 320" ;;
    info) echo "2520 -b 320" ;;
    vbr) echo "5040 -V 0" ;;
    cbr128) echo "6000 -t -b 128" ;;
    info128) echo "6000 -b 128" ;;
    vbr2) echo "6000 -V 2" ;;
    *) echo "copy_speed_bench: unknown kind $1" >&2; exit 1 ;;
    esac
}
for kind in "${kinds[@]}"; do
    if [ ! -f "$out/${kind}_100M.mp3" ]; then
        read -r seconds options <<<"$(encode "$kind")"
        # shellcheck disable=SC2086
        music "$seconds" | lame --quiet $options - "$out/${kind}_100M.tmp" && mv "$out/${kind}_100M.tmp" "$out/${kind}_100M.mp3"
    fi
    if [ "$which" != 100M ] && [ ! -f "$out/${kind}_1G.mp3" ]; then
        case $kind in
        cbr | cbr128) for _ in $(seq 10); do cat "$out/${kind}_100M.mp3"; done >"$out/${kind}_1G.mp3" ;;
        *)
            copies=()
            for _ in $(seq 10); do copies+=("$out/${kind}_100M.mp3"); done
            "$cli" join -o "$out/${kind}_1G.mp3" "${copies[@]}" >/dev/null
            ;;
        esac
    fi
done

# --- Runs -------------------------------------------------------------------------------------------
# Peak resident set of one run, in MB.
peak_rss() {
    /usr/bin/time -f %M -o "$out/rss" "$@" >/dev/null 2>&1
    echo "$(($(cat "$out/rss") / 1024))"
}
# Wall milliseconds of one command, after a sync and a clean-up.
timed() {
    local clean=$1
    shift
    eval "$clean"
    local start end
    start=$(date +%s%N)
    "$@" >/dev/null 2>&1
    end=$(date +%s%N)
    echo $(((end - start) / 1000))
}
# "median mean" in ms of microsecond figures on stdin.
stats() { python3 -c "import sys,statistics as s; v=[int(x)/1000 for x in sys.stdin.read().split()]; print('%.1f %.1f' % (s.median(v), s.mean(v)))"; }
ratio() { python3 -c "print('%.2f' % ($1 / $2))"; }

sizes=(100M 1G)
[ "$which" = 100M ] && sizes=(100M)
[ "$which" = 1G ] && sizes=(1G)
table="$out/table_${which}_leaves${SONICROP_WORKER_LEAVES_POSTER:-1}.md"
{
    echo "Runs: $runs each, interleaved; load at start: $(cut -d' ' -f1-3 /proc/loadavg); $(git rev-parse --short HEAD);" \
        "output thread leaves the reader's processor: ${SONICROP_WORKER_LEAVES_POSTER:-1}"
    echo
    echo "| source | bytes | frames | cp ms median / mean | cut ms median / mean | ratio of medians / means | cut RSS MB | cat ms median / mean | join ms median / mean | ratio of medians / means | join RSS MB |"
    echo "|---|---|---|---|---|---|---|---|---|---|---|"
} >"$table"
for size in "${sizes[@]}"; do
    for kind in "${kinds[@]}"; do
        name=${kind}_$size
        src="$out/$name.mp3"
        frames=$("$cli" info "$src" | sed -n 's/^ *frames: *\([0-9]*\).*/\1/p' | head -1)
        cutclean="rm -f $out/${name}_0*.mp3 $out/copy.mp3; sync"
        eval "$cutclean"
        "$cli" cut --count 5 "$src" >/dev/null # warm-up
        joinclean="rm -f $out/joined.mp3; sync"
        cp_t=() cut_t=() cat_t=() join_t=()
        for _ in $(seq "$runs"); do
            cp_t+=("$(timed "$cutclean" cp "$src" "$out/copy.mp3")")
            cut_t+=("$(timed "$cutclean" "$cli" cut --count 5 "$src")")
        done
        eval "$cutclean"
        "$cli" cut --count 5 "$src" >/dev/null
        pieces=("$out/${name}"_0*.mp3)
        [ ${#pieces[@]} -eq 5 ] || { echo "copy_speed_bench: expected 5 pieces of $name" >&2; exit 1; }
        for _ in $(seq "$runs"); do
            cat_t+=("$(timed "$joinclean" sh -c 'cat "$@" >"'"$out"'/joined.mp3"' cat "${pieces[@]}")")
            join_t+=("$(timed "$joinclean" "$cli" join -o "$out/joined.mp3" "${pieces[@]}")")
        done
        rm -f "$out/joined.mp3"
        join_rss=$(peak_rss "$cli" join -o "$out/joined.mp3" "${pieces[@]}")
        eval "$cutclean"
        cut_rss=$(peak_rss "$cli" cut --count 5 "$src")
        read -r cp_med cp_mean <<<"$(printf '%s\n' "${cp_t[@]}" | stats)"
        read -r cut_med cut_mean <<<"$(printf '%s\n' "${cut_t[@]}" | stats)"
        read -r cat_med cat_mean <<<"$(printf '%s\n' "${cat_t[@]}" | stats)"
        read -r join_med join_mean <<<"$(printf '%s\n' "${join_t[@]}" | stats)"
        echo "| $kind | $(stat -L -c %s "$src") | $frames | $cp_med / $cp_mean | $cut_med / $cut_mean" \
             "| $(ratio "$cut_med" "$cp_med") / $(ratio "$cut_mean" "$cp_mean") | $cut_rss" \
             "| $cat_med / $cat_mean | $join_med / $join_mean" \
             "| $(ratio "$join_med" "$cat_med") / $(ratio "$join_mean" "$cat_mean") | $join_rss |" >>"$table"
        rm -f "$out/joined.mp3" "$out/copy.mp3" "$out/${name}"_0*.mp3
    done
done
cat "$table"
