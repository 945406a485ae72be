#!/usr/bin/env bash
# Builds the packages into build-package/packages/: a .deb and a .tar.gz of the Linux build and
# a .zip of the Windows cross-build, each holding the programs, the library, its headers, the
# CMake and pkg-config files and the docs; then lists what each one holds.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/deps.sh
need_build_packages
need_packages dpkg-dev g++-mingw-w64-x86-64 unzip
jobs=$(nproc 2>/dev/null || echo 2)
out=$(pwd)/build-package/packages

echo "== Linux: .deb and .tar.gz"
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build build-package -j "$jobs"
(cd build-package && cpack -B "$out")

echo "== Windows: .zip"
cmake --no-warn-unused-cli -S . -B build-package-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=OFF >/dev/null
cmake --build build-package-mingw -j "$jobs"
(cd build-package-mingw && cpack -B "$out")

rm -rf "$out/_CPack_Packages"
for package in "$out"/*.deb; do echo "== $package" && dpkg-deb -I "$package" control && dpkg-deb -c "$package"; done
for package in "$out"/*.tar.gz; do echo "== $package" && tar tzvf "$package"; done
for package in "$out"/*.zip; do echo "== $package" && unzip -l "$package"; done
