"""Painter's order, its reverse, file order and the descent to a leaf: on hand-made trees with
known answers, on every real and generated tree against the painter's invariant, and on a
chain far deeper than Python's recursion limit."""

from __future__ import annotations

import random
import sys
from typing import List, Sequence, Tuple

import pytest

import norvane_bsp
from norvane_bsp import Plane
from support import TreeBytes

FLAT = (0.0, 0.0, 0.0, 0.0)


def three_level_tree() -> norvane_bsp.Tree:
    """Root splits on y = 0 (front above); its front child splits on x = 1 (front at x > 1);
    its back child on z = 0 with only a back child. Pre-order: 0 root, 1 "F", 2 "FF", 3 "FB",
    4 "B", 5 "BB"."""
    t = TreeBytes(vertices=0, faces=0)
    t.node(3, (0, 1, 0, 0), 0)  # 0
    t.node(3, (1, 0, 0, -1), 0)  # 1
    t.node(0, FLAT, 0)  # 2
    t.node(0, FLAT, 0)  # 3
    t.node(2, (0, 0, 1, 0), 0)  # 4
    t.node(0, FLAT, 0)  # 5
    return norvane_bsp.read_bytes(t.bytes())


@pytest.mark.parametrize(
    "eye, painter, leaf",
    [
        ((5, 1, 0), [4, 5, 0, 3, 1, 2], 2),  # above the root, beyond x = 1
        ((0, 1, 0), [4, 5, 0, 2, 1, 3], 3),  # above, before x = 1
        ((0, -1, 1), [2, 1, 3, 0, 5, 4], 4),  # below, in front of z = 0: no front child there
        ((0, -1, -1), [2, 1, 3, 0, 4, 5], 5),  # below, behind z = 0
        ((0, 0, 0), [2, 1, 3, 0, 4, 5], 5),  # on every plane: "not in front" everywhere
    ],
)
def test_known_orders(eye, painter, leaf):
    tree = three_level_tree()
    assert list(tree.back_to_front(eye)) == painter
    assert list(tree.front_to_back(eye)) == painter[::-1]
    assert tree.leaf_at(eye) == leaf
    assert list(tree.preorder()) == [0, 1, 2, 3, 4, 5]
    assert [tree.nodes[i].path for i in range(6)] == ["", "F", "FF", "FB", "B", "BB"]


def test_tolerance_band_and_rounding():
    plane = Plane(0.0, 1.0, 0.0, 0.0)
    tolerance = 0.0010000000474974513  # 0.001 as a 32-bit float
    assert not norvane_bsp.in_front(plane, (0, tolerance, 0))  # the limit belongs to "on"
    assert norvane_bsp.in_front(plane, (0, 0.00100001, 0))
    # The eye is taken as 32-bit floats: 0.0010000001 rounds to the limit itself.
    assert not norvane_bsp.in_front(plane, (0, 0.0010000001, 0))
    # The sum is taken in double: in 32 bits 1e8 + 0.002 would be 1e8 and the eye "on".
    assert norvane_bsp.in_front(Plane(1.0, 1.0, 0.0, -1e8), (1e8, 0.002, 0))
    # ... and rounded to a 32-bit float before the comparison: a*x is a little above the limit
    # in double and exactly the limit in 32 bits.
    above = 0.0010000001639127731  # the 32-bit float after the limit
    a = 0.9999999403953552  # the 32-bit float before 1
    assert a * above > tolerance
    assert norvane_bsp.distance(Plane(a, 0.0, 0.0, 0.0), (above, 0, 0)) == tolerance
    assert not norvane_bsp.in_front(Plane(a, 0.0, 0.0, 0.0), (above, 0, 0))
    # Values beyond the 32-bit range round to infinity as a C cast does, and NaN is never in front.
    assert norvane_bsp.in_front(plane, (0, 1e300, 0))
    assert not norvane_bsp.in_front(plane, (0, -1e300, 0))
    assert not norvane_bsp.in_front(Plane(float("nan"), 1, 0, 0), (0, 1, 0))


def subtree_ends(tree: norvane_bsp.Tree) -> List[int]:
    """end[i]: one past the last pre-order index of node i's subtree."""
    ends = [0] * len(tree.nodes)
    for node in reversed(tree.nodes):  # children come after their parent
        last = node.index + 1
        for child in (node.front, node.back):
            if child is not None:
                last = max(last, ends[child])
        ends[node.index] = last
    return ends


def check_painter_invariant(tree: norvane_bsp.Tree, eye: Sequence[float]) -> None:
    """Every node is drawn once; at every node with the eye in front of its plane, all of its
    back subtree is drawn before it and all of its front subtree after it, and the other way
    round when the eye is not in front; front_to_back is the exact reverse."""
    order = list(tree.back_to_front(eye))
    assert sorted(order) == list(range(len(tree.nodes)))
    assert list(tree.front_to_back(eye)) == order[::-1]
    position = [0] * len(order)
    for at, index in enumerate(order):
        position[index] = at
    ends = subtree_ends(tree)
    # Earliest and latest drawing position over each subtree, children before parents.
    first = position[:]
    last = position[:]
    for node in reversed(tree.nodes):
        for child in (node.front, node.back):
            if child is not None:
                first[node.index] = min(first[node.index], first[child])
                last[node.index] = max(last[node.index], last[child])
    for node in tree.nodes:
        here = position[node.index]
        front_first = not norvane_bsp.in_front(node.plane, eye)
        before, after = (node.front, node.back) if front_first else (node.back, node.front)
        if before is not None:
            assert last[before] < here, (node.index, eye)
            assert ends[before] - before == last[before] - first[before] + 1  # drawn as one run
        if after is not None:
            assert first[after] > here, (node.index, eye)


def check_leaf_at(tree: norvane_bsp.Tree, point: Sequence[float]) -> None:
    """The node found lies at the end of the path the point's sides spell, and lacks the child
    on the point's side."""
    found = tree.nodes[tree.leaf_at(point)]
    node = tree.nodes[0]
    for step in found.path:
        assert step == ("F" if norvane_bsp.in_front(node.plane, point) else "B")
        node = tree.nodes[node.front if step == "F" else node.back]
    assert node == found
    assert (found.front if norvane_bsp.in_front(found.plane, point) else found.back) is None


def eyes_for(tree: norvane_bsp.Tree, count: int, seed: int) -> List[Tuple[float, float, float]]:
    """Random points in and around the scene's box, the box's corners, and some vertices
    (which lie on planes)."""
    points = [tuple(float(v) for v in row[:3]) for row in tree.vertices]
    finite = [p for p in points if all(abs(v) < 1e30 for v in p)] or [(0.0, 0.0, 0.0)]
    low = [min(p[k] for p in finite) for k in range(3)]
    high = [max(p[k] for p in finite) for k in range(3)]
    rng = random.Random(seed)
    eyes = [tuple(rng.uniform(lo - 1, hi + 1) for lo, hi in zip(low, high)) for _ in range(count)]
    eyes += [(x, y, z) for x in (low[0], high[0]) for y in (low[1], high[1]) for z in (low[2], high[2])]
    eyes += rng.sample(finite, min(count, len(finite)))
    return eyes


def test_painter_order_and_leaves_on_compiled_trees(tree_file):
    tree = norvane_bsp.read(tree_file)
    for eye in eyes_for(tree, count=6, seed=len(tree.nodes)):
        check_painter_invariant(tree, eye)
        check_leaf_at(tree, eye)
    assert list(tree.preorder()) == list(range(len(tree.nodes)))


def test_a_chain_deeper_than_the_recursion_limit():
    depth = 4 * sys.getrecursionlimit() + 40_000
    t = TreeBytes(vertices=0, faces=0)
    # Node i splits on x = i: points beyond it go to the front child, the next link.
    for i in range(depth - 1):
        t.node(1, (1, 0, 0, -float(i)), 0)
    t.node(0, FLAT, 0)
    tree = norvane_bsp.check(t.bytes())
    assert tree.nodes[-1].depth == depth
    assert len(tree.nodes[-1].path) == depth - 1
    far = (depth + 10.0, 0, 0)
    assert list(tree.back_to_front(far)) == list(range(depth))
    assert list(tree.front_to_back((-1.0, 0, 0))) == list(range(depth))
    assert tree.leaf_at(far) == depth - 1
    assert tree.leaf_at((2.5, 0, 0)) == 3  # beyond x = 0, 1, 2; not beyond x = 3
