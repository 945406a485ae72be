#!/usr/bin/env python3
"""Whole-process wall times of one or more norvane builds, side by side.

Each scene is compiled by each build on one core (taskset -c 0) and on two (taskset -c 0,1),
the runs interleaved so that the machine's moods fall on every build alike; standard output
goes into a file and the tree is written beside the scene, as a user's run would. Prints the
median of the runs and the two-core speed-up per build and scene.

    scripts/compare-processes.py --runs 20 scenes/terrain.3ds old/norvane build/src/norvane
"""
import argparse
import os
import statistics
import subprocess
import tempfile
import time

CORES = {"1 core": "0", "2 cores": "0,1"}


def timed(program, scene, cores, out):
    start = time.perf_counter()
    subprocess.run(["taskset", "-c", cores, program, scene], stdout=out, stderr=subprocess.DEVNULL, check=False)
    return time.perf_counter() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--runs", type=int, default=20)
    parser.add_argument("scene", help="a scene file; its tree is written beside it")
    parser.add_argument("programs", nargs="+", help="norvane builds to compare")
    args = parser.parse_args()
    times = {(p, c): [] for p in args.programs for c in CORES}
    with tempfile.TemporaryFile("w") as out:
        for _ in range(args.runs):
            for name, cores in CORES.items():
                for program in args.programs:
                    out.seek(0)
                    times[(program, name)].append(timed(program, args.scene, cores, out))
    for program in args.programs:
        one, two = (statistics.median(times[(program, name)]) for name in CORES)
        print(f"{os.path.basename(args.scene):20} {program:40} 1 core {one * 1000:7.1f} ms"
              f"  2 cores {two * 1000:7.1f} ms  {one / two:.2f}x")


if __name__ == "__main__":
    main()
