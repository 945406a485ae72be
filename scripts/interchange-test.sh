#!/usr/bin/env bash
# glTF and OBJ against the field's own files and tools: the Khronos glTF-Validator over the glTF
# exports of every real scene's tree and of generated trees (hierarchy and --flat, .glb and
# .gltf), each with 0 errors and 0 warnings; three.js's GLTFLoader in headless Chromium finding
# each tree's triangle count and bounding box in its .glb; Blender (Debian's, headless) importing
# each .glb and .obj with the same; then every glTF 2.0 and OBJ model of Debian's
# assimp-testmodels through norvane-build, each compiling or failing with one line, never
# crashing, hanging or leaving a partial tree. Installs the validator from
# tests/export/validator's package-lock.json (gltf-validator, three, puppeteer-core)
# into build/export-validator when it is missing.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
source scripts/deps.sh
need_build_packages
need_packages assimp-testmodels chromium blender
command -v node >/dev/null 2>&1 && command -v npm >/dev/null 2>&1 || need_packages nodejs npm
models=$(realpath -m "${NORVANE_MODELS_DIR:-$root/../shared/models/real}")
jobs=$(nproc 2>/dev/null || echo 2)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$jobs" --target norvane norvane-dump norvane-scene norvane-build

tools=build/export-validator
mkdir -p "$tools"
if ! cmp -s tests/export/validator/package-lock.json "$tools/package-lock.json" || [ ! -d "$tools/node_modules/three" ]; then
    cp tests/export/validator/package.json tests/export/validator/package-lock.json "$tools/"
    (cd "$tools" && npm ci --no-audit --no-fund >/dev/null)
fi
cp tests/export/validator/validate.mjs tests/export/validator/three.mjs "$tools/"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
trees=()
if [ -d "$models" ]; then
    for scene in "$models"/*.3ds "$models"/*.3DS; do
        [ -e "$scene" ] || continue
        name=$(basename "$scene")
        cp "$scene" "$work/$name"
        (cd "$work" && "$root/build/src/norvane" "$name" >/dev/null 2>&1) && trees+=("$work/${name%.*}.bsp")
    done
else
    echo "the real scenes are missing ($models): only generated trees are validated" >&2
fi
for kind in box arena terrain soup city rock level; do
    build/tools/scene3ds/norvane-scene "$kind" "$work/gen-$kind.3ds" --seed 7 >/dev/null
    (cd "$work" && "$root/build/src/norvane" "gen-$kind.3ds" >/dev/null) && trees+=("$work/gen-$kind.bsp")
done
outputs=()
for tree in "${trees[@]}"; do
    base=${tree%.bsp}
    build/tools/dump/norvane-dump tree "$tree" --gltf "$base.glb"
    build/tools/dump/norvane-dump tree "$tree" --gltf "$base.gltf"
    build/tools/dump/norvane-dump tree "$tree" --gltf "$base-flat.glb" --flat
    outputs+=("$base.glb" "$base.gltf" "$base-flat.glb")
done
echo "validating ${#outputs[@]} exports of ${#trees[@]} trees"
node "$tools/validate.mjs" "${outputs[@]}"

# three.js's GLTFLoader in headless Chromium finds each tree's triangles and box.
pairs=()
for tree in "${trees[@]}"; do pairs+=("$tree:${tree%.bsp}.glb" "$tree:${tree%.bsp}-flat.glb"); done
CHROMIUM=/usr/bin/chromium node "$tools/three.mjs" "$root/build/tools/dump/norvane-dump" "${pairs[@]}"

# Blender imports each tree's .glb and .obj, in one headless session.
pairs=()
for tree in "${trees[@]}"; do
    base=${tree%.bsp}
    build/tools/dump/norvane-dump tree "$tree" --json > "$base.json"
    build/tools/dump/norvane-dump tree "$tree" --obj "$base.obj"
    pairs+=("$base.json:$base.glb" "$base.json:$base.obj")
done
blender -b --factory-startup --python-exit-code 1 --python tests/export/blender_check.py -- "${pairs[@]}" \
    > "$work/blender.log" 2>&1 || { grep -E "triangles|Error|error" "$work/blender.log"; exit 1; }
grep -c "(as the tree)" "$work/blender.log" | sed 's/$/ Blender imports as the trees/'

# The test models: each compiles (exit 0) or fails with exactly one FAILED line (exit 1).
failed=0
count=0
mkdir -p "$work/trees"
while IFS= read -r -d '' model; do
    count=$((count + 1))
    status=0
    out=$(timeout 120 build/tools/batch/norvane-build -q -j 1 -o "$work/trees" "$model" 2>&1) || status=$?
    lines=$(printf '%s' "$out" | grep -c '' || true)
    if [ "$status" -eq 0 ] && [ "$lines" -eq 0 ]; then
        continue
    elif [ "$status" -eq 1 ] && [ "$lines" -eq 1 ] && [[ "$out" == "FAILED  "* ]]; then
        echo "refused: $out"
    else
        echo "WRONG (exit $status): $model: $out"
        failed=$((failed + 1))
    fi
done < <(find /usr/share/assimp/models/glTF2 /usr/share/assimp/models/OBJ -type f \( -iname '*.gltf' -o -iname '*.glb' -o -iname '*.obj' \) -print0 | sort -z)
if find "$work/trees" -name '*.norvane-tmp' | grep -q .; then
    echo "WRONG: a partial tree was left behind"
    failed=$((failed + 1))
fi
echo "test models: $count tried, $failed wrong"
[ "$failed" -eq 0 ]
