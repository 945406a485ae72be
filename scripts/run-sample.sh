#!/usr/bin/env bash
# Builds the compiler, compiles the bundled sample scene and shows what the tree file holds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target norvane norvane-dump norvane-scene
mkdir -p build/sample
cp samples/arena.3ds build/sample/arena.3ds
cd build/sample
../src/norvane arena.3ds </dev/null
../tools/dump/norvane-dump tree arena.bsp
../tools/dump/norvane-dump tree arena.bsp --svg arena.svg && echo "picture: build/sample/arena.svg"
