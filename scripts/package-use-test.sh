#!/bin/bash
# Run by scripts/package-install-test.sh inside its throwaway root, as root: installs the Debian
# packages from KIT with apt-get, uses each as its users would, then removes them (and, in a
# clean root, what they brought in). The caller checks that nothing stays behind.
# usage: package-use-test.sh KIT VERSION host|clean
set -euo pipefail
kit=$1 version=$2 mode=$3
export DEBIAN_FRONTEND=noninteractive LC_ALL=C.UTF-8 HOME=/root
export PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
fail() {
    echo "FAILED: $*" >&2
    exit 1
}
cd "$kit"
work=$(mktemp -d /tmp/norvane-use.XXXXXX)

echo "-- apt-get install ./norvane_*.deb ./libnorvane-dev_*.deb ./python3-norvane-bsp_*.deb"
if [ "$mode" = clean ]; then # what the packages depend on comes from Debian's archive, as it is today
    apt-get update -qq >"$work/apt.log" 2>&1 || fail "apt-get update: $(cat "$work/apt.log")"
fi
apt-get install -y -qq --no-install-recommends ./norvane_*.deb ./libnorvane-dev_*.deb ./python3-norvane-bsp_*.deb \
    >"$work/apt.log" 2>&1 || fail "apt-get install: $(cat "$work/apt.log")"

echo "-- the programs"
for program in norvane norvane-build norvane-dump norvane-scene norvane-view; do
    [ "$(command -v "$program")" = "/usr/bin/$program" ] || fail "$program is not on the PATH"
done
for program in norvane-build norvane-dump norvane-scene norvane-view; do
    [ "$("$program" --version)" = "$program $version" ] || fail "$program --version: $("$program" --version)"
done
cp cubes_with_alpha.3DS "$work/"
(cd "$work" && norvane cubes_with_alpha.3DS </dev/null >/dev/null) || fail "norvane did not compile the scene"
tree=$work/cubes_with_alpha.bsp
cmp "$tree" cubes_with_alpha.bsp || fail "the installed norvane wrote other bytes"
norvane-dump tree "$tree" --check >/dev/null || fail "norvane-dump does not pass the tree"
norvane-scene box "$work/box.3ds" >/dev/null && norvane-build -q -o "$work/batch" "$work/box.3ds" ||
    fail "norvane-scene and norvane-build did not make a tree"
norvane-view "$tree" --compare --size 64x48 >/dev/null || fail "norvane-view does not draw the tree"

echo "-- man"
for page in norvane norvane-build norvane-dump norvane-scene norvane-view "5 norvane-bsp"; do
    # shellcheck disable=SC2086 # "5 norvane-bsp" is a section and a page
    shown=$(MANWIDTH=80 man --warnings $page 2>"$work/man.err") || fail "man $page: $(cat "$work/man.err")"
    [ ! -s "$work/man.err" ] || fail "man $page warns: $(cat "$work/man.err")"
    grep -q "Norvane $version" <<<"$shown" || fail "man $page is not the page of version $version"
done

echo "-- bash completion"
offered=$(cd "$work" && bash --norc --noprofile -c '
    source /usr/share/bash-completion/bash_completion
    for program in norvane norvane-build norvane-dump norvane-scene norvane-view; do
        __load_completion "$program" && complete -p "$program" | grep -q _norvane_complete || echo "none for $program"
    done
    COMP_WORDS=(norvane-dump tree "") COMP_CWORD=2 COMP_LINE="norvane-dump tree " COMP_POINT=18
    _norvane_complete norvane-dump "" tree
    printf "%s\n" "${COMPREPLY[@]}" | sort | xargs')
# The trees and the folders, not the scenes beside them.
[ "$offered" = "batch cubes_with_alpha.bsp" ] || fail "bash completes norvane-dump tree with: $offered"

echo "-- a CMake project, norvane_add_scenes and a pkg-config program"
cmake -S painter -B "$work/painter" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$work/painter" >/dev/null
"$work/painter/painter" "$tree" -300 400 -400 | diff -q painter_cubes_with_alpha.txt - >/dev/null ||
    fail "the painter example prints otherwise"
cp -r scenes "$work/scenes-source"
cmake -S "$work/scenes-source" -B "$work/scenes" >/dev/null
cmake --build "$work/scenes" -j 2 >/dev/null
for scene in arena city rock; do
    (cd "$work/scenes-source/models" && norvane "$scene.3ds" </dev/null >/dev/null)
    cmp -s "$work/scenes/trees/$scene.bsp" "$work/scenes-source/models/$scene.bsp" ||
        fail "norvane_add_scenes compiled $scene otherwise"
done
# shellcheck disable=SC2046 # the flags are words
c++ -std=c++20 pkgconfig_consumer.cpp -o "$work/consumer" $(pkg-config --cflags --libs norvane)
said=$("$work/consumer" "$tree")
[ "$said" = "norvane $version: 56 nodes, the origin in node 44" ] || fail "the pkg-config program printed: $said"

echo "-- Debian's python3"
said=$(/usr/bin/python3 -c 'import sys, norvane_bsp
tree = norvane_bsp.check(sys.argv[1])
print(norvane_bsp.__version__, len(tree.nodes), norvane_bsp.__file__)' "$tree")
[ "$said" = "$version 56 /usr/lib/python3/dist-packages/norvane_bsp/__init__.py" ] || fail "python3 says: $said"
[ "$(/usr/bin/python3 -m norvane_bsp "$tree" --check)" = "$tree: ok (56 nodes)" ] || fail "python3 -m norvane_bsp"

echo "-- apt-get remove"
apt-get remove -y -qq norvane libnorvane-dev python3-norvane-bsp >"$work/apt.log" 2>&1 ||
    fail "apt-get remove: $(cat "$work/apt.log")"
if [ "$mode" = clean ]; then
    apt-get autoremove -y -qq --purge >"$work/apt.log" 2>&1 || fail "apt-get autoremove: $(cat "$work/apt.log")"
fi
for package in norvane libnorvane-dev python3-norvane-bsp; do
    state=$(dpkg-query -W -f='${db:Status-Abbrev}' "$package" 2>/dev/null || true)
    [ -z "$state" ] || [ "${state:1:1}" = n ] || fail "$package is left as '$state'"
done
rm -rf "$work"
