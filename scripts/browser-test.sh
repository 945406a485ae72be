#!/usr/bin/env bash
# Tests norvane-view's page in a real browser: installs Debian's chromium and the npm packages of
# tests/tools/view/browser (puppeteer-core, pngjs) when they are missing, builds the programs the
# tests run, and runs them with node's test runner.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
need_packages chromium
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || need_packages nodejs npm
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs" --target norvane norvane-scene norvane-view
cd tests/tools/view/browser
[ -d node_modules/puppeteer-core ] && [ -d node_modules/pngjs ] || npm ci --no-audit --no-fund
NORVANE_BUILD_DIR="$(cd ../../../../build && pwd)" CHROMIUM=/usr/bin/chromium node --test
