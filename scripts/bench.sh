#!/usr/bin/env bash
# Builds the benchmark (Release) and times every stage with the fast and the straightforward
# searches side by side. --skip-slow leaves out the straightforward runs that take minutes;
# --scaling measures complete trees of 60,000 to 1,000,000 faces instead (time, memory, growth).
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=OFF \
    -DNORVANE_BUILD_BENCHMARKS=ON >/dev/null
cmake --build build-bench --target norvane-bench
build-bench/bench/norvane-bench --models "$(realpath ../shared/models/real)" "$@"
