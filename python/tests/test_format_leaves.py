"""docs/FORMAT.md's leaves held to the compiler's trees: which nodes the build leaves as leaves
and which get a plane, by the document's pair test and score; that every separated leaf drawn
in the document's order passes the occlusion test from several eyes; and pyramob's root."""

from __future__ import annotations

import random
from typing import List, Sequence, Tuple

import norvane_bsp
from documented import (
    BEHIND,
    FRONT,
    ON,
    SPANNING,
    TOLERANCE,
    Face,
    distance,
    face_side,
    leaf_kind,
    leaf_order,
    wrong_before,
)
from support import f32_bits

# Below this many faces no candidate can score 65,535 (75 per face cut), so the search cannot
# give up.
GIVE_UP_FACES = 875


def score(candidate: int, faces: Sequence[Face], vertices) -> int:
    sides = [
        face_side(faces[candidate].plane, [vertices[c] for c in face.corners])
        for i, face in enumerate(faces)
        if i != candidate
    ]
    return 5 * abs(sides.count(FRONT) - sides.count(BEHIND)) + 75 * sides.count(SPANNING)


def test_leaves_and_planes_follow_the_pair_test_and_the_score(tree_file, replay_of):
    replay = replay_of(tree_file)
    for index, node in enumerate(replay.tree.nodes):
        faces = replay.inputs[index]
        if not any(node.plane):
            kind = leaf_kind(faces, replay.vertices)
            assert kind != "unseparated" or len(faces) >= GIVE_UP_FACES, f"node {index} gave up with {len(faces)} faces"
            continue
        assert leaf_kind(faces, replay.vertices) == "unseparated", f"node {index} is separated but has a plane"
        if len(faces) <= 16:  # the search itself, where it is cheap to repeat
            scores = [score(i, faces, replay.vertices) for i in range(len(faces))]
            best = scores.index(min(scores))
            assert [f32_bits(v) for v in faces[best].plane] == [f32_bits(v) for v in node.plane], index
        if node.flags == 0:  # a plane and no child: every face stays, in the plane
            assert len(node.faces) == len(faces), index
            for face in node.faces:
                assert face_side(node.plane, [replay.vertices[c] for c in face.corners]) == ON, index


def file_faces(node) -> List[Face]:
    return [Face(f.corners, f.id, f.material, tuple(f.plane)) for f in node.faces]


def eyes_around(vertices, count: int, seed: int) -> List[Tuple[float, float, float]]:
    finite = [v[:3] for v in vertices if all(abs(x) < 1e30 for x in v[:3])] or [(0.0, 0.0, 0.0)]
    low = [min(p[k] for p in finite) for k in range(3)]
    high = [max(p[k] for p in finite) for k in range(3)]
    rng = random.Random(seed)
    return [tuple(rng.uniform(lo - 2, hi + 2) for lo, hi in zip(low, high)) for _ in range(count)]


def test_separated_leaves_in_the_documented_order_pass_the_occlusion_test(tree_file):
    tree = norvane_bsp.read(tree_file)
    vertices = [tuple(float(x) for x in row) for row in tree.vertices]
    eyes = eyes_around(vertices, 3, seed=len(tree.nodes))
    leaves = [n for n in tree.nodes if n.flags == 0 and not any(n.plane) and 2 <= len(n.faces) <= 200]
    tested = 0
    for node in leaves:
        faces = file_faces(node)
        kind = leaf_kind(faces, vertices)
        if kind in ("unseparated", "flat"):
            continue
        for eye in eyes:
            order = leaf_order(kind, faces, eye)
            for at, x in enumerate(order):
                for y in order[at + 1 :]:
                    assert not wrong_before(faces[x], faces[y], vertices, eye), (node.index, eye, x, y)
            tested += 1
    if any(len(n.faces) > 1 for n in leaves):
        assert tested, "some leaf was tested"


def test_nodes_with_a_plane_keep_their_faces_in_it(tree_file):
    tree = norvane_bsp.read(tree_file)
    vertices = [tuple(float(x) for x in row) for row in tree.vertices]
    for node in tree.nodes:
        if any(node.plane):
            for face in node.faces:
                assert all(abs(distance(node.plane, vertices[c])) <= TOLERANCE for c in face.corners), node.index


def test_pyramobs_root_is_unseparated_and_one_pair_does_not_show_it(real_tree):
    tree = norvane_bsp.read(real_tree("pyramob.3DS"))
    vertices = [tuple(float(x) for x in row) for row in tree.vertices]
    root = tree.nodes[0]
    faces = file_faces(root)
    assert (len(tree.nodes), root.flags, len(faces)) == (1, 0, 31460)
    assert leaf_kind(faces, vertices) == "unseparated"

    def side(x: int, y: int) -> str:
        return face_side(faces[x].plane, [vertices[c] for c in faces[y].corners])

    assert (side(0, 1), side(1, 0)) == (FRONT, FRONT)
    # In file order, face 0's plane against faces 1, 2, ...: the 20th pair finds one behind.
    assert [side(0, y) for y in range(1, 20)].count(BEHIND) == 0
    assert side(0, 20) == BEHIND
