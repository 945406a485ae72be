#!/usr/bin/env bash
# Tests the Python reader (python/) against the C++ tools: builds them (Release, in build/,
# as test.sh does), installs the package with pip into a throwaway virtual environment that
# sees Debian's NumPy and pytest, and runs its tests against the installed copy. Needs no
# Python package index.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
need_packages python3 python3-venv python3-pip python3-setuptools python3-wheel python3-pytest python3-numpy
repo=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

echo "== build the tools (GCC, Release)"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=ON >/dev/null
cmake --build build -j "$jobs" --target norvane norvane-dump norvane-scene

echo "== install the Python reader into a throwaway environment"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A clean copy, so the build leaves nothing in the source tree and nothing stale gets in.
mkdir "$work/src"
tar -C python --exclude=./build --exclude='*.egg-info' --exclude=__pycache__ --exclude=.pytest_cache -cf - . |
    tar -C "$work/src" -xf -
/usr/bin/python3 -m venv --system-site-packages "$work/venv"
(cd "$work" && venv/bin/python -m pip install --quiet --no-index --no-cache-dir --no-build-isolation ./src)

echo "== test the installed reader"
cd "$work"
NORVANE_BUILD_DIR="$repo/build" NORVANE_BSP_INSTALLED=1 PYTHONDONTWRITEBYTECODE=1 \
    venv/bin/python -m pytest -p no:cacheprovider -q "$repo/python/tests"
