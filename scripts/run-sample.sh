#!/usr/bin/env bash
# Builds the compiler, compiles the bundled sample scene, shows what the tree file holds, and
# draws it: a picture painted back to front and the viewer page for the browser.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target norvane norvane-dump norvane-scene norvane-view
mkdir -p build/sample
cp samples/arena.3ds build/sample/arena.3ds
cd build/sample
../src/norvane arena.3ds </dev/null
../tools/dump/norvane-dump tree arena.bsp
../tools/dump/norvane-dump tree arena.bsp --svg arena.svg && echo "picture: build/sample/arena.svg"
../tools/view/norvane-view arena.bsp -o arena.png --orbit 30 --elevation 45 --cull back && echo "picture: build/sample/arena.png"
../tools/view/norvane-view arena.bsp --html arena.html --scene arena.3ds && echo "viewer: build/sample/arena.html (open it in a browser)"
