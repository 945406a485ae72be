#!/usr/bin/env bash
# Regenerates the bundled sample scenes with norvane-scene.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target norvane-scene
build/tools/scene3ds/norvane-scene arena --seed 1 --faces 600 samples/arena.3ds
