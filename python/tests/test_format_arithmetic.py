"""docs/FORMAT.md's arithmetic held to the compiler's files, on every real and generated tree:
the face plane step by step, the cuts by replaying every node's distribution, and the side
rule with its one exception, the stray pieces, within the reach the document gives them."""

from __future__ import annotations

import math
from collections import Counter
from functools import lru_cache
from typing import List, NamedTuple

import norvane_bsp
from documented import TOLERANCE, distance, face_plane
from support import f32_bits


def test_uncut_faces_have_the_recipes_plane_and_pieces_keep_theirs(tree_file):
    tree = norvane_bsp.read(tree_file)
    records = [face for node in tree.nodes for face in node.faces]
    pieces = Counter(face.id for face in records)
    plane_of_id = {}
    wrong = []
    for face in records:
        written = [f32_bits(v) for v in face.plane]
        assert plane_of_id.setdefault(face.id, written) == written, f"the pieces of face {face.id} keep one plane"
        if pieces[face.id] == 1:
            corners = [[float(v) for v in tree.vertices[c][:3]] for c in face.corners]
            if [f32_bits(v) for v in face_plane(*corners)] != written:
                wrong.append((face.id, face.plane, face_plane(*corners)))
    assert not wrong, f"{len(wrong)} planes differ from the recipe's, the first: {wrong[:3]}"
    assert records == [] or min(pieces.values()) == 1, "some face of every non-empty scene is uncut"


def test_replaying_the_cuts_gives_every_record_and_made_vertex(tree_file, replay_of):
    replay = replay_of(tree_file)
    assert replay.differences() == []


class WrongSide(NamedTuple):
    ancestor: int
    sign: int  # +1: the corner is in the ancestor's front subtree, -1: in its back subtree
    vertex: int
    distance: float  # signed so that negative is the wrong side


def wrong_side_corners(tree: norvane_bsp.Tree, vertices) -> List[WrongSide]:
    """Every corner of the faces in a node's front subtree that lies behind the node's plane,
    and in its back subtree in front of it; each subtree's distinct corners once."""
    found = []
    below: List[set] = [set() for _ in tree.nodes]
    for node in reversed(tree.nodes):  # children come after their parent
        here = {c for face in node.faces for c in face.corners}
        for child, sign in ((node.front, 1), (node.back, -1)):
            if child is None:
                continue
            for c in below[child]:
                s = sign * distance(node.plane, vertices[c])
                if s < -TOLERANCE:
                    found.append(WrongSide(node.index, sign, c, s))
            here |= below[child]
            below[child] = set()
        below[node.index] = here
    return found


def subtree_ends(tree: norvane_bsp.Tree) -> List[int]:
    ends = [0] * len(tree.nodes)
    for node in reversed(tree.nodes):
        ends[node.index] = max([node.index + 1] + [ends[c] for c in (node.front, node.back) if c is not None])
    return ends


def reach_floor(replay, wrong: WrongSide, end: int) -> float:
    """The lowest signed distance the document allows the corner: a vertex that existed when
    faces reached the ancestor lies where it lies; one that a cut made in the ancestor's
    subtree lies no lower than the lower of its edge's corners, less the overshoot beyond the
    edge times the edge's climb across the plane, and less a rounding allowance."""
    plane = replay.tree.nodes[wrong.ancestor].plane
    vertices = replay.vertices

    @lru_cache(maxsize=None)
    def floor(v: int) -> float:
        made = replay.made.get(v)
        if made is None or not wrong.ancestor <= made.node < end:
            return wrong.sign * distance(plane, vertices[v])
        start, stop = vertices[made.start][:3], vertices[made.end][:3]
        t = 0.0 if made.t is None else made.t
        climb = abs(distance(plane, stop) - distance(plane, start))
        rounding = 1e-6 * (1 + max(abs(x) for x in vertices[v][:3]) + abs(t) * math.dist(start, stop))
        return min(floor(made.start), floor(made.end)) - max(0.0, t - 1, -t) * climb - rounding

    return floor(wrong.vertex)


def test_corners_keep_to_the_side_rule_or_are_made_vertices_within_reach(tree_file, replay_of):
    replay = replay_of(tree_file)
    ends = subtree_ends(replay.tree)
    for wrong in wrong_side_corners(replay.tree, replay.vertices):
        made = replay.made.get(wrong.vertex)
        assert made is not None and wrong.vertex >= replay.loaded, f"a scene vertex breaks the side rule: {wrong}"
        assert wrong.ancestor <= made.node < ends[wrong.ancestor], f"made above the node whose rule it breaks: {wrong}"
        assert wrong.distance >= reach_floor(replay, wrong, ends[wrong.ancestor]), f"beyond the reach: {wrong}"


def test_the_documented_stray_pieces_of_the_real_scenes(real_tree, replay_of):
    worst = {}
    for name in ("Granate.3DS", "fels.3ds", "jeep1.3ds", "cart_wheel.3DS"):
        replay = replay_of(real_tree(name))
        found = wrong_side_corners(replay.tree, replay.vertices)
        worst[name] = round(-min([w.distance for w in found], default=0.0), 3)
        if name == "Granate.3DS":
            deepest = min(found, key=lambda w: w.distance)
            made = replay.made[deepest.vertex]
            assert (deepest.vertex, deepest.ancestor, deepest.sign, made.node) == (594, 52, 1, 114)
            assert round(made.t, 2) == 2.90
    assert worst == {"Granate.3DS": 0.314, "fels.3ds": 0.008, "jeep1.3ds": 0.004, "cart_wheel.3DS": 0.0}
