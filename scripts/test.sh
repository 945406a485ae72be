#!/usr/bin/env bash
# Builds everything and runs every test: the suite with GCC, the Python reader's tests against
# those tools, and the C++ suite again under AddressSanitizer and UndefinedBehaviorSanitizer
# with Clang, the viewer page in headless Chromium, the glTF exports through the Khronos
# glTF-Validator with the glTF and OBJ test models in (interchange), and the release files
# (scripts/package.sh: lintian, and the Debian packages installed and removed in a clean root).
# NORVANE_STAGES picks stages (default "gcc python sanitize browser interchange package").
# Tests labelled slow (the large mutation campaign) are left out: `ctest -L slow` in a build
# folder runs them.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
need_packages man-db bash-completion dpkg-dev # the suite reads manual pages, completes, parses a changelog
stages="${NORVANE_STAGES:-gcc python sanitize browser interchange package}"
jobs=$(nproc 2>/dev/null || echo 2)

for stage in $stages; do
    case "$stage" in
    gcc)
        echo "== build and test (GCC, Release)"
        cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=ON >/dev/null
        cmake --build build -j "$jobs"
        (cd build && ctest --output-on-failure -j "$jobs" -LE slow)
        ;;
    python)
        echo "== Python reader"
        scripts/python-test.sh
        ;;
    sanitize)
        echo "== build and test (Clang, AddressSanitizer + UndefinedBehaviorSanitizer)"
        need_packages clang libclang-rt-14-dev
        CXX=clang++ cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
            -DNORVANE_BUILD_TESTS=ON -DNORVANE_SANITIZE=ON >/dev/null
        cmake --build build-asan -j "$jobs"
        (cd build-asan && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 \
            ctest --output-on-failure -j "$jobs" -LE slow)
        ;;
    browser)
        echo "== the viewer page in headless Chromium"
        scripts/browser-test.sh
        ;;
    package)
        echo "== the release files"
        scripts/package.sh
        ;;
    interchange)
        echo "== glTF exports through the Khronos glTF-Validator, glTF and OBJ test models in"
        scripts/interchange-test.sh
        ;;
    *)
        echo "unknown stage: $stage" >&2
        exit 2
        ;;
    esac
done
