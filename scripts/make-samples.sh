#!/usr/bin/env bash
# Regenerates the bundled sample scenes, and the scenes example's models, with norvane-scene.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target norvane-scene
build/tools/scene3ds/norvane-scene arena --seed 1 --faces 600 samples/arena.3ds
build/tools/scene3ds/norvane-scene arena --seed 2 --faces 300 examples/scenes/models/arena.3ds
build/tools/scene3ds/norvane-scene city --seed 2 --faces 800 examples/scenes/models/city.3ds
build/tools/scene3ds/norvane-scene rock --seed 3 --faces 400 examples/scenes/models/rock.3ds
