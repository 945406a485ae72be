#!/usr/bin/env bash
# A fuzz campaign: builds the libFuzzer targets of fuzz/targets.txt with Clang, seeds each
# corpus by its kind (scenes: the real scenes cut to at most 64 KiB and generated ones; trees:
# the trees compiled from them; option-trees: those trees behind a few sets of eight option
# bytes) and with its regression folder, and runs every target (or those named) for SECONDS
# each. Findings land in build-fuzz/findings/; the run fails on the first one. A finding, once
# mended, belongs in fuzz/regressions/TARGET, which ctest replays.
# usage: scripts/fuzz.sh SECONDS [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A seedKind
allTargets=()
while read -r target kind; do
    [[ -z "$target" || "$target" == \#* ]] && continue
    seedKind[$target]=$kind
    allTargets+=("$target")
done <fuzz/targets.txt
[ $# -ge 1 ] || { echo "usage: $0 SECONDS [${allTargets[*]}]" >&2; exit 2; }
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${allTargets[@]}")
for target in "${targets[@]}"; do
    [ -n "${seedKind[$target]:-}" ] || { echo "$0: $target is not in fuzz/targets.txt" >&2; exit 2; }
done
source scripts/deps.sh
need_build_packages
need_packages clang libclang-rt-14-dev
root=$(pwd)
models=$(realpath "${NORVANE_MODELS_DIR:-$root/../shared/models/real}")

CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DNORVANE_BUILD_TESTS=OFF \
    -DNORVANE_FUZZ=ON >/dev/null
cmake --build build-fuzz --target "${targets[@]}"
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target norvane norvane-scene

# Seeds: generated at fuzz time, never kept in the repository.
seeds=build-fuzz/seeds
rm -rf "$seeds"
mkdir -p "$seeds/scenes" "$seeds/trees" "$seeds/option-trees"
for f in "$models"/*.3ds "$models"/*.3DS; do head -c 65536 "$f" >"$seeds/scenes/$(basename "$f")"; done
for params in "box 1 12" "arena 1 200" "soup 2 40" "rock 3 80" "city 4 300" "terrain 5 60" "level 6 200"; do
    set -- $params
    build/tools/scene3ds/norvane-scene "$1" --seed "$2" --faces "$3" "$seeds/scenes/$1.3ds" >/dev/null
done
(cd "$seeds/scenes" && for f in *.3ds *.3DS; do "$root/build/src/norvane" "$f" </dev/null >/dev/null || true; done)
mv "$seeds/scenes"/*.bsp "$seeds/trees/" 2>/dev/null || true
# The importer's seeds: small generated scenes as glTF (0), GLB (1) and OBJ (2), behind the byte
# that picks the format.
mkdir -p "$seeds/interchange"
for params in "box 1 12" "arena 1 200" "terrain 5 60"; do
    set -- $params
    for format in gltf:0 glb:1 obj:2; do
        build/tools/scene3ds/norvane-scene "$1" --seed "$2" --faces "$3" "$seeds/$1.${format%:*}" \
            --format "${format%:*}" >/dev/null
        { printf "\\$(printf %o "${format#*:}")"; cat "$seeds/$1.${format%:*}"; } >"$seeds/interchange/$1-${format%:*}"
    done
done
# Options: sizes, views and switches the view, SVG and page targets read (fuzz/fuzz_input.h).
for tree in "$seeds/trees"/*.bsp; do
    [ "$(stat -c %s "$tree")" -le 65528 ] || continue
    name=$(basename "$tree" .bsp)
    { printf '\040\030\036\220\047\000\000\000'; cat "$tree"; } >"$seeds/option-trees/$name-a"
    { printf '\060\040\310\100\120\003\001\005'; cat "$tree"; } >"$seeds/option-trees/$name-b"
done

mkdir -p build-fuzz/findings
for target in "${targets[@]}"; do
    corpus="build-fuzz/corpus/$target"
    mkdir -p "$corpus"
    echo "== $target for ${seconds}s"
    # An input counts as a hang, and is reported as slow, after 60 s. The sanitizers slow a
    # build about tenfold: the worst split chains fuzzing has found (a 2 KiB scene whose 40
    # faces split until the vertex limit, 22,000 levels deep) take 1.5 s in a release build
    # and 15 s here.
    "build-fuzz/fuzz/$target" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=60 -report_slow_units=60 -max_len=65536 \
        -artifact_prefix="build-fuzz/findings/$target-" -print_final_stats=1 "$corpus" "$seeds/${seedKind[$target]}" \
        "fuzz/regressions/$target" 2>&1 |
        grep -E "DONE|stat::number_of_executed_units|stat::peak_rss|ERROR|SUMMARY|Done [0-9]+ runs" || true
    if ls build-fuzz/findings/"$target"-* >/dev/null 2>&1; then
        echo "finding in build-fuzz/findings: $(ls build-fuzz/findings/"$target"-*)" >&2
        exit 1
    fi
done
echo "fuzzing done: no findings"
