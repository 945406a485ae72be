#!/usr/bin/env bash
# Cross-builds the Windows executables and runs them under Wine against the Linux build:
# every real scene and a few generated ones must give the same tree file bytes and, after
# folding the "\r\n" that Windows text-mode output writes for "\n", the same console bytes;
# backslash paths and drive letters follow the display-name rules; the scene JSON matches.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
need_build_packages
need_packages g++-mingw-w64-x86-64 wine wine64
models=$(realpath "${NORVANE_MODELS_DIR:-$root/../shared/models/real}")

cmake --no-warn-unused-cli -S . -B build-mingw -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
    -DCMAKE_BUILD_TYPE=Release -DNORVANE_BUILD_TESTS=OFF >/dev/null || exit 1
cmake --build build-mingw || exit 1
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build build --target norvane norvane-dump norvane-scene || exit 1

export WINEDEBUG=-all WINEPREFIX="$root/build-mingw/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml="
[ -d "$WINEPREFIX" ] || wineboot -i >/dev/null 2>&1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
passed=0
failed=0
check() { # name, condition result
    if [ "$2" -eq 0 ]; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $1"; fi
}
fold() { sed -e 's/\r$//' "$1" | sed -E 's/\[[0-9]+ secs/[N secs/'; }
linuxFold() { sed -E 's/\[[0-9]+ secs/[N secs/' "$1"; }

compile_both() { # scene file
    local name stem
    name=$(basename "$1")
    stem="${name%.*}"
    mkdir -p "$work/lin" "$work/win"
    cp "$1" "$work/lin/$name"
    cp "$1" "$work/win/$name"
    (cd "$work/lin" && "$root/build/src/norvane" "$name" </dev/null >"$name.console")
    local lrc=$?
    (cd "$work/win" && wine "$root/build-mingw/src/norvane.exe" "$name" </dev/null >"$name.console" 2>/dev/null)
    local wrc=$?
    [ "$lrc" -eq "$wrc" ]; check "$name exit status ($lrc vs $wrc)" $?
    cmp -s "$work/lin/$stem.bsp" "$work/win/$stem.bsp"; check "$name tree file" $?
    cmp -s <(linuxFold "$work/lin/$name.console") <(fold "$work/win/$name.console"); check "$name console" $?
    "$root/build/tools/dump/norvane-dump" scene "$1" >"$work/lin/$name.json"
    wine "$root/build-mingw/tools/dump/norvane-dump.exe" scene "$work/win/$name" 2>/dev/null | sed -e 's/\r$//' >"$work/win/$name.json"
    cmp -s "$work/lin/$name.json" "$work/win/$name.json"; check "$name scene json" $?
}

for scene in "$models"/*.3ds "$models"/*.3DS; do
    compile_both "$scene"
done
mkdir -p "$work/gen"
for params in "arena 1 600" "city 2 3000" "rock 3 2000" "soup 4 300" "terrain 5 1000" "level 6 2000"; do
    set -- $params
    "$root/build/tools/scene3ds/norvane-scene" "$1" --seed "$2" --faces "$3" "$work/gen/$1$2.3ds"
    wine "$root/build-mingw/tools/scene3ds/norvane-scene.exe" "$1" --seed "$2" --faces "$3" "$work/gen/$1$2.win.3ds" 2>/dev/null
    cmp -s "$work/gen/$1$2.3ds" "$work/gen/$1$2.win.3ds"; check "norvane-scene $1 bytes" $?
    compile_both "$work/gen/$1$2.3ds"
done

# Windows paths: the display name is the text from the last backslash, shortened past 11
# characters; the tree file lands beside the scene.
mkdir -p "$work/paths/models"
cp "$models/CameraRollAnim.3ds" "$work/paths/models/landscape.3ds"
(cd "$work/paths" && wine "$root/build-mingw/src/norvane.exe" 'models\landscape.3ds' </dev/null >rel.txt 2>/dev/null)
grep -q "Loading file \\\\landsc~1.3ds .. Done" "$work/paths/rel.txt"; check "relative backslash path display name" $?
[ -f "$work/paths/models/landscape.bsp" ]; check "relative backslash path output" $?
rm -f "$work/paths/models/landscape.bsp"
winpath="Z:$(echo "$work/paths/models/landscape.3ds" | tr / '\\')"
(cd "$work/paths" && wine "$root/build-mingw/src/norvane.exe" "$winpath" </dev/null >abs.txt 2>/dev/null)
grep -q "Loading file \\\\landsc~1.3ds .. Done" "$work/paths/abs.txt"; check "drive letter path display name" $?
cmp -s "$work/paths/models/landscape.bsp" "$work/lin/CameraRollAnim.bsp"; check "drive letter path output" $?
(cd "$work/paths" && wine "$root/build-mingw/src/norvane.exe" missing.3ds </dev/null >missing.txt 2>/dev/null)
[ $? -eq 1 ]; check "missing file exits 1" $?

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
