#!/usr/bin/env python3
"""Wall-clock times of 'sonicrop-cli levels --json FILE' for two or more builds, run in turns.

On a shared or virtual machine the speed of the processors drifts over seconds; runs taken one
build after the other then compare the drift, not the builds. Here every round runs each build
once (in alternating order) and the figures are the medians and spreads of those rounds.

Usage: python3 bench/levels_compare.py ROUNDS FILE CLI [CLI ...]
"""
import os
import statistics
import subprocess
import sys
import time


def main():
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    rounds, path, clis = int(sys.argv[1]), sys.argv[2], sys.argv[3:]
    times = {cli: [] for cli in clis}
    with open(os.devnull, "w") as null:
        def run(cli):
            start = time.perf_counter()
            subprocess.run([cli, "levels", "--json", path], stdout=null, stderr=null, check=True)
            return (time.perf_counter() - start) * 1000

        for cli in clis:  # warm the page cache and each program's pages
            for _ in range(3):
                run(cli)
        for r in range(rounds):
            for cli in clis if r % 2 == 0 else reversed(clis):
                times[cli].append(run(cli))
    for cli in clis:
        t = sorted(times[cli])
        print(f"{cli}: median {statistics.median(t):.1f} ms, mean {statistics.mean(t):.1f}, "
              f"p10 {t[len(t) // 10]:.1f}, p90 {t[len(t) * 9 // 10]:.1f}, max {t[-1]:.1f} ({rounds} runs)")


if __name__ == "__main__":
    main()
