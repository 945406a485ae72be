#!/usr/bin/env bash
# Cross-builds the Windows executables and runs them under Wine against the Linux build:
# every real scene and a few generated ones must give the same tree file bytes and, after
# folding the "\r\n" that Windows text-mode output writes for "\n", the same console bytes;
# backslash paths and drive letters follow the display-name rules; the scene JSON, the scene
# summary, the tree picture and the tools' help match; on a console the boxes show as boxes;
# norvane-build writes the same trees and JSON objects and shows its bar on a console. Last, the
# installer: installed silently, norvane.exe runs from the PATH; uninstalled, nothing is left.
set -uo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
need_build_packages
need_packages g++-mingw-w64-x86-64 wine wine64 bsdutils perl-base nsis
models=$(realpath "${NORVANE_MODELS_DIR:-$root/../shared/models/real}")

jobs=$(nproc 2>/dev/null || echo 2)

# The README's cross-build command, as written. A folder configured before keeps the generator
# it was made with (CMake refuses to change it).
generator=$(sed -n 's/^CMAKE_GENERATOR:INTERNAL=//p' build-mingw/CMakeCache.txt 2>/dev/null)
[ -n "$generator" ] && export CMAKE_GENERATOR="$generator"
cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >/dev/null || exit 1
cmake --build build-mingw -j "$jobs" || exit 1
unset CMAKE_GENERATOR
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null || exit 1
cmake --build build -j "$jobs" --target norvane norvane-dump norvane-scene norvane-build norvane-view || exit 1

# No menu entries of the host's for the Start Menu shortcuts the installer makes.
export WINEDEBUG=-all WINEPREFIX="$root/build-mingw/wineprefix" WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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
    (cd "$work/lin" && "$root/build/tools/dump/norvane-dump" scene "$name" --summary >"$name.summary")
    (cd "$work/win" && wine "$root/build-mingw/tools/dump/norvane-dump.exe" scene "$name" --summary 2>/dev/null >"$name.summary")
    cmp -s "$work/lin/$name.summary" <(fold "$work/win/$name.summary"); check "$name scene summary" $?
    (cd "$work/lin" && "$root/build/tools/dump/norvane-dump" tree "$stem.bsp" --svg - --depth 8 >"$stem.svg" 2>/dev/null)
    (cd "$work/win" && wine "$root/build-mingw/tools/dump/norvane-dump.exe" tree "$stem.bsp" --svg - --depth 8 2>/dev/null >"$stem.svg")
    cmp -s "$work/lin/$stem.svg" <(fold "$work/win/$stem.svg"); check "$name tree picture" $?
}

for scene in "$models"/*.3ds "$models"/*.3DS; do
    compile_both "$scene"
done
mkdir -p "$work/gen"
for params in "arena 1 600" "city 2 3000" "rock 3 2000" "soup 4 300" "terrain 5 1000" "level 6 2000"; do
    set -- $params
    "$root/build/tools/scene3ds/norvane-scene" "$1" --seed "$2" --faces "$3" "$work/gen/$1$2.3ds" >/dev/null
    wine "$root/build-mingw/tools/scene3ds/norvane-scene.exe" "$1" --seed "$2" --faces "$3" "$work/gen/$1$2.win.3ds" >/dev/null 2>&1
    cmp -s "$work/gen/$1$2.3ds" "$work/gen/$1$2.win.3ds"; check "norvane-scene $1 bytes: $(cmp "$work/gen/$1$2.3ds" "$work/gen/$1$2.win.3ds" 2>&1 | head -c 300)" $?
    compile_both "$work/gen/$1$2.3ds"
done

# The tools' command lines: the same help, and the same refusals with the same exit status.
for tool in dump/norvane-dump scene3ds/norvane-scene; do
    "$root/build/tools/$tool" --help >"$work/help.lin"
    wine "$root/build-mingw/tools/$tool.exe" --help 2>/dev/null >"$work/help.win"
    cmp -s "$work/help.lin" <(fold "$work/help.win"); check "$(basename "$tool") --help" $?
done
wine "$root/build-mingw/tools/dump/norvane-dump.exe" tree x.bsp --check --json >/dev/null 2>&1
[ $? -eq 2 ]; check "norvane-dump refuses --check with --json" $?
wine "$root/build-mingw/tools/scene3ds/norvane-scene.exe" soup "$work/gen/big.3ds" --faces 30000 >/dev/null 2>&1
[ $? -eq 2 ] && [ ! -e "$work/gen/big.3ds" ]; check "norvane-scene refuses a size its kind cannot make" $?

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

# A console. Started in a pseudo-terminal, Wine gives the program a real console (its standard
# handles answer GetConsoleMode) and draws what reaches that console in the terminal's UTF-8.
# The boxes must show as boxes, never as the É Í » that narrow text through the C runtime's
# locale turns into; the user's name shows as typed; piped, the same run keeps its bytes.
onConsole() { # folder, command: what the terminal shows, cursor moves drawn as blanks
    (cd "$1" && LC_ALL=C.UTF-8 timeout 300 script -qec "$2" /dev/null) |
        perl -pe 's/\e\[(\d*)C/" " x ($1||1)/ge; s/\e\[[0-9;?]*[A-Za-z]//g'
}
exe="$root/build-mingw/src/norvane.exe"
mkdir -p "$work/console"
cp "$root/samples/arena.3ds" "$work/console/arena.3ds"
cp "$models/test1.3ds" "$work/console/xº.3ds"
for name in arena.3ds xº.3ds; do
    shown="$work/console/$name.shown"
    onConsole "$work/console" "wine '$exe' '$name' </dev/null" >"$shown"
    grep -q "╔═════════╗    ╔═════════╗    ╔═════════╗" "$shown"; check "$name on a console: boxes" $?
    ! grep -q "[ÉÍ»]" "$shown"; check "$name on a console: no code page 437 bytes read as Latin-1" $?
    grep -q "Loading file $name \.\. Done" "$shown"; check "$name on a console: the name as typed" $?
done
cmp -s "$work/console/xº.bsp" "$work/lin/test1.bsp"; check "xº.3ds: the tree lands under its own name" $?
onConsole "$work/console" "wine '$exe' arena.3ds </dev/null | od -An -tx1 | head -n 2" >"$work/console/piped"
grep -q "c9 cd cd cd" "$work/console/piped"; check "piped inside a terminal: code page 437 bytes" $?

# One key ends the run: the key is typed into the console and its input stays open, so only a
# key read without Enter lets the run end before the time limit.
typeKey() { # folder, command, key: the exit status of the command
    local keys="$work/console/keys" status
    mkfifo "$keys"
    (cd "$1" && LC_ALL=C.UTF-8 timeout 120 script -qec "$2" /dev/null <"$keys" >/dev/null) &
    local run=$!
    exec 9>"$keys"
    printf '%s' "$3" >&9
    wait "$run"
    status=$?
    exec 9>&-
    rm -f "$keys"
    return "$status"
}
typeKey "$work/console" "wine '$exe' arena.3ds" k; check "one key without Enter ends the run on a console" $?
typeKey "$work/console" "wine '$exe' arena.3ds >log.txt" k; check "one key ends the run with the output in a file" $?
grep -q "c9 cd cd cd" <(od -An -tx1 "$work/console/log.txt"); check "the file keeps code page 437 bytes" $?

# norvane-build.exe: the same trees, exit status and JSON objects (seconds aside, in any order)
# as the Linux build over the same batch; a backslash folder for -o; on a console, the bar.
buildExe="$root/build-mingw/tools/batch/norvane-build.exe"
mkdir -p "$work/batch/lin" "$work/batch/win"
batch=()
for scene in "$models"/*.3ds "$models"/*.3DS "$work"/gen/*[0-9].3ds; do
    cp "$scene" "$work/batch/lin/"
    cp "$scene" "$work/batch/win/"
    batch+=("$(basename "$scene")")
done
printf 'MM\x10\x00\x00\x00xx' | tee "$work/batch/lin/broken.3ds" >"$work/batch/win/broken.3ds"
batch+=(broken.3ds)
(cd "$work/batch/lin" && "$root/build/tools/batch/norvane-build" --json -j 2 "${batch[@]}" >../lin.json 2>/dev/null)
lrc=$?
(cd "$work/batch/win" && wine "$buildExe" --json -j 2 "${batch[@]}" >../win.json 2>/dev/null)
wrc=$?
[ "$lrc" -eq 1 ] && [ "$wrc" -eq 1 ]; check "norvane-build exit status ($lrc vs $wrc)" $?
for name in "${batch[@]}"; do
    tree="${name%.*}.bsp"
    if [ -e "$work/batch/lin/$tree" ]; then
        cmp -s "$work/batch/lin/$tree" "$work/batch/win/$tree"
    else
        [ ! -e "$work/batch/win/$tree" ]
    fi
    check "norvane-build $tree" $?
done
jsonFold() { sed -e 's/\r$//' -E -e 's/"seconds": [0-9.]+/"seconds": S/' "$1" | sort; }
cmp -s <(jsonFold "$work/batch/lin.json") <(jsonFold "$work/batch/win.json"); check "norvane-build JSON objects" $?
[ "$(wc -l <"$work/batch/win.json")" -eq "${#batch[@]}" ]; check "norvane-build: one object per scene" $?
(cd "$work/batch/win" && wine "$buildExe" -q -o 'trees\sub' arena1.3ds >/dev/null 2>&1)
cmp -s "$work/batch/win/trees/sub/arena1.bsp" "$work/batch/lin/arena1.bsp"; check "norvane-build -o with a backslash" $?
onConsole "$work/batch/win" "wine '$buildExe' -j 2 arena1.3ds city2.3ds rock3.3ds broken.3ds" >"$work/batch/shown"
grep -q "4/4 scenes  1 failed" "$work/batch/shown"; check "norvane-build on a console: the bar" $?
grep -q "ok      city2.3ds -> city2.bsp: " "$work/batch/shown"; check "norvane-build on a console: the lines" $?

# Two runs writing one tree at once each write a whole file of their own; the last rename wins.
mkdir -p "$work/race"
"$root/build/tools/scene3ds/norvane-scene" city --seed 1 --faces 8000 "$work/race/a.3ds" >/dev/null
"$root/build/tools/scene3ds/norvane-scene" city --seed 2 --faces 8000 "$work/race/b.3ds" >/dev/null
(cd "$work/race" && "$root/build/src/norvane" a.3ds </dev/null >/dev/null && mv a.bsp a.ref &&
    "$root/build/src/norvane" b.3ds </dev/null >/dev/null && mv b.bsp b.ref && cp b.3ds c.3ds && cp a.3ds c.3DS)
for pair in 1 2 3 4 5; do
    (cd "$work/race" && { wine "$exe" c.3ds </dev/null >/dev/null 2>&1 & wine "$exe" c.3DS </dev/null >/dev/null 2>&1 & wait; })
    cmp -s "$work/race/c.bsp" "$work/race/a.ref" || cmp -s "$work/race/c.bsp" "$work/race/b.ref"
    check "concurrent runs, pair $pair: one whole tree" $?
done
! find "$work" -name '*.norvane-tmp' | grep -q .; check "no temporary file is left" $?

# norvane-view paints the same picture on both (the same double arithmetic, no fused operations).
mkdir -p "$work/view"
for scene in "$work/lin/jeep1.bsp" "$work/race/a.ref"; do
    [ -f "$scene" ] || continue
    args=(--size 200x150 --orbit 120 --elevation 30 --cull auto)
    "$root/build/tools/view/norvane-view" "$scene" -o "$work/view/lin.png" "${args[@]}"
    wine "$root/build-mingw/tools/view/norvane-view.exe" "$scene" -o "$work/view/win.png" "${args[@]}" >/dev/null 2>&1
    cmp -s "$work/view/lin.png" "$work/view/win.png"; check "norvane-view $(basename "$scene"): the same picture" $?
done

# The installer as a user runs it: silently (/S) into Program Files with bin on the user's PATH,
# so that norvane.exe runs by name from any folder; the silent uninstaller takes every file, the
# PATH entry and the registry keys away. It runs from a copy in the user's temporary folder,
# which Windows deletes at the next restart: the test restarts Wine, and leaves that folder out.
version=$(sed -n 's/^project(norvane VERSION \([^ ]*\) .*/\1/p' CMakeLists.txt)
(cd build-mingw && cpack -G NSIS -B "$work/installer" >/dev/null) || exit 1
installer="$work/installer/norvane-$version-win64.exe"
[ -f "$installer" ]; check "cpack makes norvane-$version-win64.exe" $?
fromPath() { # folder, command line for cmd: its standard output
    (cd "$1" && wine cmd /c "$2" </dev/null 2>/dev/null | sed -e 's/\r$//')
}
# Wine enumerates its display devices afresh at every start, and on some machines drops or renames
# their class names and entries in between: those keys are Wine's, never the installer's.
snapshot() { # the prefix's files and registry, without the temporary folders, Wine's clock and devices
    (cd "$WINEPREFIX" && find drive_c -path 'drive_c/users/*/Temp' -prune -o -print | sort &&
        cat system.reg user.reg | grep -v -e '^#time=' -e '^"DriverDateData"=' | sed -E 's/^(\[.*\]) [0-9]+$/\1/' |
        awk '/^\[/ { skip = ($0 ~ /^\[(System\\\\CurrentControlSet\\\\(Control\\\\(Class|DeviceClasses|Video)|Enum|Hardware Profiles)|Hardware\\\\)/) }
             !skip')
}
restart() {
    wineboot -r >/dev/null 2>&1
    wineserver -w
}
mkdir -p "$work/installed"
cp "$models/cubes_with_alpha.3DS" "$work/installed/"
restart
before=$(snapshot)
fromPath "$work/installed" 'norvane.exe cubes_with_alpha.3DS' >/dev/null
[ ! -e "$work/installed/cubes_with_alpha.bsp" ]; check "no norvane.exe on the PATH before the install" $?
wine "$installer" /S >/dev/null 2>&1
[ $? -eq 0 ]; check "the installer runs silently" $?
wineserver -w
programFiles="$WINEPREFIX/drive_c/Program Files/Norvane"
for file in bin/norvane.exe bin/norvane-build.exe bin/norvane-dump.exe bin/norvane-scene.exe bin/norvane-view.exe \
    lib/libnorvane.a include/norvane/norvane.h lib/cmake/Norvane/NorvaneConfig.cmake share/doc/norvane/LICENSE \
    share/doc/norvane/THIRD-PARTY.md share/doc/norvane/README.md Uninstall.exe; do
    [ -f "$programFiles/$file" ]; check "the installer puts $file in Program Files\\Norvane" $?
done
wine reg query 'HKCU\Environment' /v PATH 2>/dev/null | grep -qF 'C:\Program Files\Norvane\bin'
check "the installer puts bin on the user's PATH" $?
wine reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Norvane' /v UninstallString >/dev/null 2>&1
check "the installer registers its uninstaller" $?
fromPath "$work/installed" 'norvane.exe cubes_with_alpha.3DS' >/dev/null
cmp -s "$work/installed/cubes_with_alpha.bsp" "$models/expected/cubes_with_alpha.bsp"
check "norvane.exe from the PATH writes the reference tree" $?
[ "$(fromPath "$work/installed" 'norvane-dump.exe --version')" = "norvane-dump $version" ]
check "norvane-dump.exe from the PATH is version $version" $?
wine 'C:\Program Files\Norvane\Uninstall.exe' /S >/dev/null 2>&1
[ $? -eq 0 ]; check "the uninstaller runs silently" $?
wineserver -w
restart
diff <(echo "$before") <(snapshot) >"$work/left.txt"
left=$?
check "the uninstaller leaves nothing: $(head -c 600 "$work/left.txt")" "$left"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
