#!/usr/bin/env bash
# Builds the release files into build-package/packages/ and checks them as a distribution would:
#   norvane_V_ARCH.deb              the five programs, their manual pages and bash completion
#   libnorvane-dev_V_ARCH.deb       headers, static library, CMake package, pkg-config file
#   python3-norvane-bsp_V_all.deb   the Python reader for Debian's /usr/bin/python3
#   norvane-V-Linux.tar.gz          all of it, relocatable (unpack anywhere)
#   norvane_bsp-V-py3-none-any.whl  the Python reader for pip, built offline
#   norvane-V-win64.exe, .zip       the Windows installer and archive, cross-built with MinGW-w64
# The Linux build takes Debian's hardening flags (dpkg-buildflags); the packaged norvane must
# still write the reference trees of the real scenes byte for byte. lintian must find no error
# and no warning in any .deb (its informational tags are shown). Then
# scripts/package-install-test.sh installs, uses and removes the .debs in a clean Debian 12
# (NORVANE_PACKAGE_ROOT=host: in an overlay of this machine, offline).
# NORVANE_PACKAGE_WINDOWS=0 leaves out the Windows files.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
need_build_packages
need_packages dpkg-dev lintian python3-pip python3-setuptools python3-wheel python3-venv unzip
windows=${NORVANE_PACKAGE_WINDOWS:-1}
[ "$windows" = 0 ] || need_packages g++-mingw-w64-x86-64 nsis
models=$(realpath "${NORVANE_MODELS_DIR:-$root/../shared/models/real}")
jobs=$(nproc 2>/dev/null || echo 2)
out=$root/build-package/packages
rm -rf "$out"
mkdir -p "$out"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

echo "== Linux: Debian packages from a hardened build"
# Debian's flags for every package (with bindnow), without its -O2 and -g: Release optimises
# and cpack strips. -ffile-prefix-map keeps this folder's name out of the binaries.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags=$(echo "$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" | tr ' ' '\n' |
    grep -vxE -- '-g|-O2' | xargs)
ldflags=$(dpkg-buildflags --get LDFLAGS)
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr -DNORVANE_DEBIAN_PACKAGES=ON \
    -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" >/dev/null
cmake --build build-package -j "$jobs"
(cd build-package && cpack -G DEB -B "$out" >/dev/null)

echo "== Linux: .tar.gz"
# The same build laid out for any prefix: lib/, with the licence and changelog among the docs.
cmake -S . -B build-package -DCMAKE_INSTALL_PREFIX=/usr/local -DNORVANE_DEBIAN_PACKAGES=OFF >/dev/null
cmake --build build-package -j "$jobs"
(cd build-package && cpack -G TGZ -B "$out" >/dev/null)

echo "== the Python reader's wheel"
# From a clean copy, so that the build leaves nothing in python/; dated by the release, so
# that the same source gives the same wheel.
mkdir "$work/python"
tar -C python --exclude=./build --exclude='*.egg-info' --exclude=__pycache__ --exclude=.pytest_cache -cf - . |
    tar -C "$work/python" -xf -
date=$(sed -n 's/^## \[[0-9][^]]*\] - \([0-9-]*\)$/\1/p' CHANGELOG.md | head -n 1)
(cd "$work" && SOURCE_DATE_EPOCH=$(date -d "$date" +%s) /usr/bin/python3 -m pip wheel --quiet --no-build-isolation \
    --no-deps --no-index --no-cache-dir -w "$out" ./python)

if [ "$windows" != 0 ]; then
    echo "== Windows: installer and .zip"
    # The README's cross-build command, in the folder scripts/windows-test.sh uses too, which
    # keeps the generator it was made with.
    generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' build-mingw/CMakeCache.txt 2>/dev/null || true)
    CMAKE_GENERATOR=${generator:-Ninja} cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
        >/dev/null
    cmake --build build-mingw -j "$jobs"
    (cd build-mingw && cpack -G "NSIS;ZIP" -B "$out" >/dev/null)
fi
rm -rf "$out/_CPack_Packages"

echo "== the packaged norvane writes the reference trees"
failed=0
mkdir "$work/deb" "$work/trees"
for deb in "$out"/*.deb; do dpkg-deb -x "$deb" "$work/deb"; done
for scene in "$models"/*.3ds "$models"/*.3DS; do
    name=$(basename "$scene")
    cp "$scene" "$work/trees/"
    (cd "$work/trees" && "$work/deb/usr/bin/norvane" "$name" </dev/null >/dev/null) || true
    if ! cmp -s "$work/trees/${name%.*}.bsp" "$models/expected/${name%.*}.bsp"; then
        echo "FAILED: the hardened norvane wrote another tree for $name" >&2
        failed=1
    fi
done
[ "$failed" -eq 0 ] || exit 1
echo "every real scene's tree is the reference's"

echo "== the wheel installs offline and reads them"
/usr/bin/python3 -m venv "$work/venv"
"$work/venv/bin/python" -m pip install --quiet --no-index --no-deps --no-cache-dir "$out"/norvane_bsp-*.whl
version=$(sed -n 's/^project(norvane VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
said=$(cd "$work/trees" && "$work/venv/bin/python" -c 'import norvane_bsp; print(norvane_bsp.__version__)' &&
    "$work/venv/bin/norvane-bsp" cubes_with_alpha.bsp --check)
if [ "$said" != "$version"$'\n'"cubes_with_alpha.bsp: ok (56 nodes)" ]; then
    echo "FAILED: the wheel's reader says: $said" >&2
    exit 1
fi
echo "$said"

echo "== lintian"
# Errors and warnings fail; informational tags are shown.
lintian --fail-on error,warning --display-info "$out"/*.deb

scripts/package-install-test.sh "${NORVANE_PACKAGE_ROOT:-clean}" "$out"

echo "== the release files"
for deb in "$out"/*.deb; do
    echo "-- $(basename "$deb")"
    dpkg-deb -f "$deb" Package Version Architecture Depends Suggests | sed 's/^/   /'
    dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print "   " $6 }'
done
for archive in "$out"/*.tar.gz; do echo "-- $(basename "$archive"): $(tar tzf "$archive" | grep -vc '/$') files"; done
for archive in "$out"/*.zip "$out"/*.whl; do
    [ -e "$archive" ] && echo "-- $(basename "$archive"): $(unzip -Z1 "$archive" | grep -vc '/$') files"
done
for installer in "$out"/*.exe; do
    [ -e "$installer" ] && echo "-- $(basename "$installer"): $(du -h "$installer" | cut -f1)"
done
echo "in $out"
