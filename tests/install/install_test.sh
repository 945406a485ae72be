#!/usr/bin/env bash
# The installed package as a consumer sees it. Installs the build into a fresh prefix, then,
# using nothing but that prefix: every public header compiles on its own; the installed
# compiler writes the reference tree of a real scene and the installed dump checks it; man,
# bash-completion and Python find the pages, the completion and the reader there; the
# painter example builds through find_package(Norvane) and prints what it printed before; the
# compile example writes the same tree through the public compile API, and the installed
# library holds none of the console, the terminal or the drivers; the
# scenes example compiles its scenes through norvane_add_scenes with Ninja and with Make, and
# rebuilds exactly the trees whose scene or compiler changed; the CMake package has its
# targets and version rules; a one-file program builds with pkg-config; and the .tar.gz that
# CPack makes holds the same files.
# usage: install_test.sh BUILD SOURCE MODELS GENERATOR CXX FLAGS VERSION
set -euo pipefail
build=$1 source=$2 models=$3 generator=$4 cxx=$5 flags=$6 version=$7
work=$(mktemp -d "$build/install-test.XXXXXX")
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
read -r -a flagList <<<"$flags"

cmake --install "$build" --prefix "$prefix" >/dev/null
installed=$(cd "$prefix" && find . -type f | sed 's|^\./||' | sort)
pcfile=$(cd "$prefix" && find . -name norvane.pc | sed 's|^\./||')
libdir=$(dirname "$(dirname "$pcfile")")
for file in bin/norvane bin/norvane-dump bin/norvane-scene bin/norvane-build bin/norvane-view "$libdir/libnorvane.a" \
    "$libdir/cmake/Norvane/NorvaneConfig.cmake" "$libdir/cmake/Norvane/NorvaneConfigVersion.cmake" \
    "$libdir/cmake/Norvane/NorvaneTargets.cmake" "$libdir/cmake/Norvane/NorvaneScenes.cmake" \
    include/norvane/norvane.h include/norvane/scene.h include/norvane/tree_file.h include/norvane/tree_traversal.h include/norvane/version.h \
    share/doc/norvane/README.md share/doc/norvane/LICENSE share/doc/norvane/CHANGELOG.md \
    share/man/man1/norvane.1.gz share/man/man1/norvane-dump.1.gz share/man/man5/norvane-bsp.5.gz \
    share/bash-completion/completions/norvane share/bash-completion/completions/norvane-view \
    lib/python3/dist-packages/norvane_bsp/__init__.py; do
    grep -qx "$file" <<<"$installed" || fail "$file is not installed"
done
if grep -q '\.in$' <<<"$installed"; then fail "a template is installed"; fi

echo "== every public header on its own"
for header in "$prefix"/include/norvane/*.h; do
    name=norvane/$(basename "$header")
    printf '#include <%s>\n#include <%s>\n' "$name" "$name" |
        "$cxx" -std=c++20 -fsyntax-only -Wall -Wextra -Wpedantic -Werror -I"$prefix/include" -x c++ - ||
        fail "$name does not compile on its own"
done

echo "== the installed compiler and dump"
cp "$models/cubes_with_alpha.3DS" "$work/cubes_with_alpha.3DS"
(cd "$work" && "$prefix/bin/norvane" cubes_with_alpha.3DS </dev/null >/dev/null) || fail "norvane did not compile the scene"
tree=$work/cubes_with_alpha.bsp
cmp "$tree" "$models/expected/cubes_with_alpha.bsp" || fail "the installed compiler wrote other bytes"
"$prefix/bin/norvane-dump" tree "$tree" --check
"$prefix/bin/norvane-view" "$tree" --compare --size 64x48 >/dev/null || fail "the installed norvane-view does not draw the tree"

echo "== the manual pages, the completion and the Python reader from the prefix"
MANPATH="$prefix/share/man" man -w norvane-bsp >/dev/null || fail "man does not find norvane-bsp in the prefix"
completion=$(XDG_DATA_DIRS="$prefix/share" PATH="$prefix/bin:$PATH" bash --norc --noprofile -c \
    'source /usr/share/bash-completion/bash_completion && __load_completion norvane-build && complete -p norvane-build')
[[ $completion == *_norvane_complete* ]] || fail "bash-completion does not load the prefix's completion: $completion"
said=$(PYTHONPATH="$prefix/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m norvane_bsp "$tree" --check)
[ "$said" = "$tree: ok (56 nodes)" ] || fail "the prefix's Python reader says: $said"

echo "== the painter example through find_package(Norvane)"
cmake -S "$source/examples/painter" -B "$work/painter" -G "$generator" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/painter" -j 2 >/dev/null
"$work/painter/painter" "$tree" -300 400 -400 >"$work/painter.txt"
diff "$source/tests/install/painter_cubes_with_alpha.txt" "$work/painter.txt" || fail "the painter's output changed"

echo "== the compile example: the public compile API writes norvane's bytes"
cmake -S "$source/examples/compile" -B "$work/compile" -G "$generator" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_CXX_COMPILER="$cxx" -DCMAKE_CXX_FLAGS="$flags" \
    -DCMAKE_EXE_LINKER_FLAGS="$flags" >/dev/null
cmake --build "$work/compile" -j 2 >/dev/null
"$work/compile/compile" "$work/cubes_with_alpha.3DS" "$work/compiled.bsp" >/dev/null 2>&1 ||
    fail "the compile example did not compile the scene"
cmp "$work/compiled.bsp" "$tree" || fail "the compile example wrote other bytes than norvane"

echo "== the installed library is its headers: no console, terminal or driver inside"
if nm -C "$prefix/$libdir/libnorvane.a" | grep -E ' [TtWV] .*norvane::(Console|StreamConsole|CaptureConsole|Spinner|ConsoleProgress|printError|printLogo|runCompiler|waitForKey|openStandardConsole|compileSceneFile|makeDisplayName)'; then
    fail "the installed library holds the compiler's console or drivers"
fi

echo "== the scenes example through norvane_add_scenes"
# Its own copy, so that touching a scene leaves the source folder alone.
cp -r "$source/examples/scenes" "$work/scenes-source"
scenes=(arena city rock)
reference=$work/scenes-reference
mkdir -p "$reference"
for scene in "${scenes[@]}"; do
    cp "$work/scenes-source/models/$scene.3ds" "$reference/"
    (cd "$reference" && "$prefix/bin/norvane" "$scene.3ds" </dev/null >/dev/null) || fail "norvane did not compile $scene.3ds"
done
inodes() { # the trees' inode numbers: a tree written again is a new file
    for scene in "${scenes[@]}"; do stat -c "$scene %i" "$1/trees/$scene.bsp"; done
}
rebuilt() { # folder, inodes before: the scenes whose tree is a new file
    diff <(echo "$2") <(inodes "$1") | sed -n 's/^> \([a-z]*\) .*/\1/p' | tr '\n' ' ' | sed 's/ $//'
}
generators=("$generator")
if [ "$generator" != "Unix Makefiles" ] && command -v make >/dev/null; then generators+=("Unix Makefiles"); fi
for scenesGenerator in "${generators[@]}"; do
    out=$work/scenes-${scenesGenerator// /-}
    cmake -S "$work/scenes-source" -B "$out" -G "$scenesGenerator" -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
    cmake --build "$out" -j 2 >/dev/null || fail "$scenesGenerator: the scenes did not build"
    "$prefix/bin/norvane-dump" tree "$out/complete-trees/rock.bsp" --check >/dev/null ||
        fail "$scenesGenerator: the complete tree (FORMAT, GIVE_UP_SCORE) is not a valid tree"
    for scene in "${scenes[@]}"; do
        cmp "$out/trees/$scene.bsp" "$reference/$scene.bsp" || fail "$scenesGenerator: $scene.bsp differs from norvane's"
    done
    before=$(inodes "$out")
    cmake --build "$out" -j 2 >/dev/null
    [ -z "$(rebuilt "$out" "$before")" ] || fail "$scenesGenerator: an unchanged build compiled $(rebuilt "$out" "$before")"
    touch "$work/scenes-source/models/city.3ds"
    cmake --build "$out" -j 2 >/dev/null
    [ "$(rebuilt "$out" "$before")" = city ] ||
        fail "$scenesGenerator: touching city.3ds compiled '$(rebuilt "$out" "$before")', not city"
    cmp "$out/trees/city.bsp" "$reference/city.bsp" || fail "$scenesGenerator: city.bsp differs after the rebuild"
    before=$(inodes "$out")
    touch "$prefix/bin/norvane-build"
    cmake --build "$out" -j 2 >/dev/null
    [ "$(rebuilt "$out" "$before")" = "arena city rock" ] ||
        fail "$scenesGenerator: a new compiler compiled '$(rebuilt "$out" "$before")', not every scene"
done

echo "== the CMake package"
cmake -S "$source/tests/install/package_check" -B "$work/package_check" -G "$generator" \
    -DCMAKE_PREFIX_PATH="$prefix" -DNORVANE_PREFIX="$prefix" -DNORVANE_VERSION="$version" \
    -DCMAKE_CXX_COMPILER="$cxx" >/dev/null

echo "== pkg-config"
export PKG_CONFIG_PATH=$prefix/$libdir/pkgconfig
[ "$(pkg-config --modversion norvane)" = "$version" ] || fail "pkg-config gives version $(pkg-config --modversion norvane)"
# shellcheck disable=SC2046 # the flags are words
"$cxx" -std=c++20 "${flagList[@]}" "$source/tests/install/pkgconfig_consumer.cpp" -o "$work/consumer" \
    $(pkg-config --cflags --libs norvane)
[ "$("$work/consumer" "$tree")" = "norvane $version: 56 nodes, the origin in node 44" ] ||
    fail "the pkg-config consumer printed: $("$work/consumer" "$tree")"

echo "== the .tar.gz"
(cd "$build" && cpack -G TGZ -B "$work/package" >/dev/null)
archive=$(find "$work/package" -maxdepth 1 -name "norvane-$version-*.tar.gz")
[ -n "$archive" ] || fail "no archive"
packed=$(tar tzf "$archive" | grep -v '/$' | sed 's|^[^/]*/||' | sort)
[ "$packed" = "$installed" ] || fail "the archive differs from the install: $(diff <(echo "$installed") <(echo "$packed"))"
echo "ok"
