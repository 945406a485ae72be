"""Damaged tree files are rejected at the same offset and with the same message as
`norvane-dump tree --check`: truncations, flipped bytes, bad magic, version and flags,
indices out of range, missing terminators and trailing bytes."""

from __future__ import annotations

import random
import struct
from pathlib import Path
from typing import Dict, List

import pytest

import norvane_bsp
import support
from support import TreeBytes


def python_verdict(data: bytes) -> str:
    try:
        tree = norvane_bsp.check(data)
    except norvane_bsp.TreeFileError as error:
        return f"offset {error.offset}: {error.message}"
    return f"ok ({len(tree.nodes)} nodes)"


def compare_with_dump(variants: Dict[str, bytes], folder: Path) -> List[str]:
    """Writes each variant, checks it with both readers, and returns the C++ verdicts."""
    files = []
    for name, data in variants.items():
        path = folder / f"{name}.bsp"
        path.write_bytes(data)
        files.append(path)
    expected = support.dump_checks(files)
    mismatches = []
    for path, data in zip(files, variants.values()):
        got = python_verdict(data)
        if got != expected[str(path)]:
            mismatches.append(f"{path.name}: C++ {expected[str(path)]!r}, Python {got!r}")
    assert not mismatches, "\n".join(mismatches[:20])
    return list(expected.values())


def sampled_nodes(tree: norvane_bsp.Tree, count: int) -> List[norvane_bsp.Node]:
    step = max(1, len(tree.nodes) // count)
    return tree.nodes[::step][:count] + [tree.nodes[-1]]


def set_u16(data: bytes, offset: int, value: int) -> bytes:
    return data[:offset] + struct.pack("<H", value) + data[offset + 2 :]


def targeted_damage(good: bytes) -> Dict[str, bytes]:
    """One variant per rule, aimed at the places where the rules apply."""
    tree = norvane_bsp.read_bytes(good)
    header = tree.header
    variants = {
        "magic0": b"X" + good[1:],
        "magic2": good[:2] + b"p" + good[3:],
        "version49": set_u16(good, 3, 49),
        "version51": set_u16(good, 3, 51),
        "version-max": set_u16(good, 3, 0xFFFF),
        "vertices+1": set_u16(good, 5, header.vertex_count + 1),
        "vertices-1": set_u16(good, 5, max(header.vertex_count - 1, 0)),
        "faces0": set_u16(good, 7, 0),
        "materials+1": set_u16(good, 9, header.material_count + 1),
        "materials-max": set_u16(good, 9, 0xFFFF),
        "trailing1": good + b"\0",
        "trailing5": good + b"BSP\x32\x00",
    }
    if header.material_count:
        variants["slot-unterminated"] = good[:11] + b"A" * 256 + good[11 + 256 :]
    for node in sampled_nodes(tree, 8):
        at = node.offset
        for flags in (4, 5, 0x8000, 3 - node.flags, node.flags ^ 1, node.flags ^ 2):
            variants[f"node{node.index}-flags{flags}"] = set_u16(good, at, flags)
        variants[f"node{node.index}-count+1"] = set_u16(good, at + 18, len(node.faces) + 1)
        variants[f"node{node.index}-count-max"] = set_u16(good, at + 18, 0xFFFF)
        if node.faces:
            i = len(node.faces) - 1
            face = at + 20 + 26 * i
            for k in range(3):
                variants[f"node{node.index}-face{i}-corner{k}"] = set_u16(good, face + 2 * k, header.vertex_count)
            variants[f"node{node.index}-face{i}-corner-max"] = set_u16(good, face, 0xFFFF)
            variants[f"node{node.index}-face{i}-id"] = set_u16(good, face + 6, header.face_count)
            variants[f"node{node.index}-face{i}-material"] = set_u16(good, face + 8, header.material_count)
            variants[f"node{node.index}-face{i}-material-fffe"] = set_u16(good, face + 8, 0xFFFE)
            variants[f"node{node.index}-face{i}-no-material"] = set_u16(good, face + 8, 0xFFFF)
    return variants


def truncations(good: bytes, seed: int) -> Dict[str, bytes]:
    """Cuts inside the header, at and next to the borders of material slots, vertex records,
    node records and face records, and at random places."""
    tree = norvane_bsp.read_bytes(good)
    header = tree.header
    lengths = set(range(12))
    slots = range(header.material_count)
    for i in list(slots[:2]) + list(slots[-1:]):
        lengths |= {11 + 256 * i + k for k in (1, 5, 128, 255)}
    vertices_at = 11 + 256 * header.material_count
    records = range(header.vertex_count)
    for i in list(records[:3]) + list(records[-2:]):
        lengths |= {vertices_at + 32 * i + k for k in (0, 1, 31)}
    for node in sampled_nodes(tree, 12):
        lengths |= {node.offset + k for k in (0, 1, 17, 19, 20, 21)}
        for i in {0, len(node.faces) - 1} if node.faces else ():
            lengths |= {node.offset + 20 + 26 * i + k for k in (1, 6, 25)}
    rng = random.Random(seed)
    lengths |= {rng.randrange(len(good)) for _ in range(40)}
    lengths |= {len(good) - 2, len(good) - 1}
    return {f"cut{n}": good[:n] for n in sorted(lengths) if n < len(good)}


def flips(good: bytes, count: int, seed: int) -> Dict[str, bytes]:
    """Single bytes replaced at random places, half of them in the first kilobyte."""
    rng = random.Random(seed)
    variants = {}
    for i in range(count):
        at = rng.randrange(min(len(good), 1024)) if i % 2 else rng.randrange(len(good))
        value = rng.choice([0x00, 0xFF, 0x7F, 0x80, good[at] ^ (1 << rng.randrange(8))])
        variants[f"flip{i}-at{at}"] = good[:at] + bytes([value]) + good[at + 1 :]
    return variants


@pytest.mark.parametrize("scene", ["Granate.3DS", "cube_with_diffuse_texture.3DS"])
def test_real_trees_damaged_everywhere(scene, real_tree, tmp_path):
    good = real_tree(scene).read_bytes()
    variants = {**targeted_damage(good), **truncations(good, seed=1), **flips(good, 100, seed=2)}
    verdicts = compare_with_dump(variants, tmp_path)
    # The damage reaches every kind of problem, not only the harmless ones.
    kinds = ("header", "magic", "version", "ends early", "flag bits", "after the last", "corner index", "id ", "material")
    for kind in kinds:
        assert any(kind in v for v in verdicts), kind


def test_a_deep_generated_tree_damaged(tree_cache, tmp_path):
    good = tree_cache.get("rock-6").read_bytes()
    variants = {**targeted_damage(good), **truncations(good, seed=3), **flips(good, 60, seed=4)}
    verdicts = compare_with_dump(variants, tmp_path)
    assert sum(v.startswith("ok") for v in verdicts) < len(verdicts) // 2


def test_hand_made_edge_cases(tools, tmp_path):
    one_face = TreeBytes(vertices=3, faces=1, materials=["M"]).vertex(0, 0, 0).vertex(1, 0, 0).vertex(0, 0, 1)
    one_face.node(0, (0, 0, 0, 0), 1).face((0, 2, 1), 0, 0, (0, 1, 0, 0))
    good = one_face.bytes()
    face = 11 + 256 + 3 * 32 + 20
    variants = {
        "empty": b"",
        "header-only": good[:11],
        "no-nodes": good[: face - 20],
        "name-fills-slot": good[:11] + b"N" * 255 + b"\0" + good[11 + 256 :],
        "corner-and-id-both-bad": set_u16(set_u16(good, face + 4, 3), face + 6, 1),  # the corner comes first
        "id-and-material-both-bad": set_u16(set_u16(good, face + 6, 1), face + 8, 1),
        "bad-version-and-corner": set_u16(set_u16(good, 3, 7), face, 9),  # the version comes first
        "bad-version-and-cut": set_u16(good, 3, 7)[:-1],  # structure before rules
        "no-materials-but-material-0": set_u16(good[:11], 9, 0) + good[11 + 256 :],
    }
    verdicts = dict(zip(variants, compare_with_dump(variants, tmp_path)))
    assert verdicts["empty"] == "offset 0: file shorter than the 11-byte header"
    assert verdicts["name-fills-slot"] == "ok (1 nodes)"
    assert verdicts["corner-and-id-both-bad"] == (
        f"offset {face + 4}: node 0 face 0: corner index 3 not below vertexCount 3"
    )
    assert verdicts["bad-version-and-cut"] == f"offset {face}: face records of node 0 end early"


def test_error_carries_offset_and_message():
    with pytest.raises(norvane_bsp.TreeFileError) as caught:
        norvane_bsp.read_bytes(b"BSQ" + bytes(8))
    assert (caught.value.offset, caught.value.message) == (0, 'magic is not "BSP"')
    assert str(caught.value) == 'offset 0: magic is not "BSP"'
    # Parsing alone leaves the rules to check().
    tree = norvane_bsp.read_bytes(set_u16(TreeBytes(0, 0).node(0, (0, 0, 0, 0), 0).bytes(), 3, 49))
    with pytest.raises(norvane_bsp.TreeFileError, match="version is 49, not 50 or 51"):
        tree.check()
