"""The reader agrees field for field with `norvane-dump tree --json`, floats bit for bit as
32-bit floats, on every real and generated tree, with NumPy and without."""

from __future__ import annotations

import norvane_bsp
import support
from support import f32_bits, json_float_bits

VERTEX_KEYS = ("x", "y", "z", "u", "v", "nx", "ny", "nz")
PLANE_KEYS = ("a", "b", "c", "d")


def plane_bits(plane) -> list:
    return [f32_bits(v) for v in plane]


def json_plane_bits(plane: dict) -> list:
    return [json_float_bits(plane[k]) for k in PLANE_KEYS]


def test_every_field_matches_the_dump(tree_file, array_mode):
    tree = norvane_bsp.read(tree_file)
    expected = support.dump_json(tree_file)
    assert (expected["format"], expected["version"]) == ("norvane-tree", 2)

    header = expected["header"]
    assert tuple(tree.header) == (
        header["magic"],
        header["version"],
        header["vertexCount"],
        header["faceCount"],
        header["materialCount"],
    )
    assert tree.materials == expected["materials"]
    assert tree.size == tree_file.stat().st_size

    assert len(tree.vertices) == len(expected["vertices"]) == tree.header.vertex_count
    for row, want in zip(tree.vertices, expected["vertices"]):
        assert [f32_bits(float(v)) for v in row] == [json_float_bits(want[k]) for k in VERTEX_KEYS]

    assert len(tree.nodes) == len(expected["nodes"])
    paths = {None: ""}  # the dump names each node's parent; the paths follow from them
    for node, want in zip(tree.nodes, expected["nodes"]):
        parent = want["parent"]
        step = "" if parent is None else ("F" if expected["nodes"][parent]["front"] == want["index"] else "B")
        paths[want["index"]] = ("" if parent is None else paths[parent]) + step
        assert (node.index, node.depth, node.parent, node.flags, node.front, node.back) == (
            want["index"],
            want["depth"],
            parent,
            want["flags"],
            want["front"],
            want["back"],
        )
        assert node.path == paths[want["index"]]
        assert plane_bits(node.plane) == json_plane_bits(want["plane"])
        assert len(node.faces) == len(want["faces"])
        for face, want_face in zip(node.faces, want["faces"]):
            assert list(face.corners) == want_face["corners"]
            assert face.id == want_face["id"]
            assert face.material == want_face["material"]
            assert plane_bits(face.plane) == json_plane_bits(want_face["plane"])


def test_compiled_trees_pass_every_rule(tree_file):
    tree = norvane_bsp.check(tree_file)
    assert norvane_bsp.check(tree_file.read_bytes()).size == tree.size
    assert support.dump_checks([tree_file])[str(tree_file)] == f"ok ({len(tree.nodes)} nodes)"
