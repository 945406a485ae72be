# Imports tree exports into Blender and holds each to its tree: the triangle count (as below)
# and the bounding box of the face corners. Run headless:
#   blender -b --factory-startup --python-exit-code 1 --python blender_check.py -- TREE.json:EXPORT ...
# where TREE.json is `norvane-dump tree --json` of the tree and EXPORT a .glb, .gltf or .obj of it.
# Blender's importers turn y-up files z-up as (x, -z, y); the check turns them back.
import json
import math
import sys

import bpy
import numpy

# Debian's Blender 3.4 glTF importer still names numpy.bool, which Debian's numpy 1.24 dropped.
if not hasattr(numpy, "bool"):
    numpy.bool = bool


# Blender's mesh validation drops some triangles that name one vertex twice (cut slivers of the
# tree can) or repeat another triangle of the same mesh; which ones differs between its importers.
# So the count must lie between the tree's distinct, non-degenerate triangles per node and all of
# its triangles.
def expected(tree_json):
    with open(tree_json) as f:
        tree = json.load(f)
    fewest = most = 0
    low, high = [math.inf] * 3, [-math.inf] * 3
    for node in tree["nodes"]:
        kept = set()
        for face in node["faces"]:
            most += 1
            corners = frozenset(face["corners"])
            if len(corners) == 3 and corners not in kept:
                fewest += 1
                kept.add(corners)
            for corner in face["corners"]:
                v = tree["vertices"][corner]
                for k, value in enumerate((v["x"], v["y"], -v["z"])):
                    low[k], high[k] = min(low[k], value), max(high[k], value)
    return (fewest, most), low, high


def imported(path):
    bpy.ops.wm.read_factory_settings(use_empty=True)
    if path.endswith(".obj"):
        bpy.ops.wm.obj_import(filepath=path)
    else:
        bpy.ops.import_scene.gltf(filepath=path)
    triangles = 0
    low, high = [math.inf] * 3, [-math.inf] * 3
    for obj in bpy.context.scene.objects:
        if obj.type != "MESH":
            continue
        mesh = obj.data
        triangles += sum(len(p.vertices) - 2 for p in mesh.polygons)
        used = {i for p in mesh.polygons for i in p.vertices}
        for i in used:
            w = obj.matrix_world @ mesh.vertices[i].co
            for k, value in enumerate((w.x, w.z, -w.y)):
                low[k], high[k] = min(low[k], value), max(high[k], value)
    return triangles, low, high


def close(a, b):
    return all(abs(x - y) <= 1e-5 * max(1.0, abs(y)) for x, y in zip(a, b))


# The importer walks the node hierarchy recursively, and a tree's is as deep as the tree.
sys.setrecursionlimit(100000)
failed = 0
for pair in sys.argv[sys.argv.index("--") + 1:]:
    tree_json, export = pair.split(":")
    want, got = expected(tree_json), imported(export)
    ok = want[0][0] <= got[0] <= want[0][1] and (got[0] == 0 or (close(got[1], want[1]) and close(got[2], want[2])))
    failed += not ok
    print(f"{export}: Blender {got[0]} triangles, box {got[1]} .. {got[2]}"
          + (" (as the tree)" if ok else f" WRONG: the tree has {want[0][0]} to {want[0][1]}, {want[1]} .. {want[2]}"))
sys.exit(1 if failed else 0)
