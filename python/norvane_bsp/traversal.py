"""Walking the tree from a point: the side test, painter's order and the descent to a leaf.
Every walk keeps its own stack, so trees tens of thousands of levels deep need no recursion."""

from __future__ import annotations

from typing import TYPE_CHECKING, Iterator, List, Sequence, Tuple

from ._f32 import TOLERANCE, to_f32

if TYPE_CHECKING:
    from .model import Node, Plane

Point = Sequence[float]


def distance(plane: "Plane", point: Point) -> float:
    """The signed distance of a point from a plane as the compiler takes it: the point's
    coordinates as 32-bit floats, ((a*x + b*y) + c*z) + d summed in double in that order, the
    sum rounded to a 32-bit float."""
    a, b, c, d = plane
    x, y, z = (to_f32(float(v)) for v in point)
    return to_f32(((a * x + b * y) + c * z) + d)


def in_front(plane: "Plane", point: Point) -> bool:
    """True when the point is in front of the plane: its distance is above 0.001 (as a 32-bit
    float). Both limits of the band -0.001..0.001 and a distance that is not a number are not
    in front."""
    return distance(plane, point) > TOLERANCE


def walk(nodes: Sequence["Node"], eye: Point, back_first: bool) -> Iterator[int]:
    """Node indices in painter's order (``back_first``) or its reverse.

    Painter's order at a node whose plane has the eye in front: the back subtree, the node,
    then the front subtree; otherwise the front subtree, the node, then the back subtree.
    """
    if not nodes:
        return
    # Entries are (index, emit): emit False means "expand this subtree", True "yield this node".
    stack: List[Tuple[int, bool]] = [(0, False)]
    while stack:
        index, emit = stack.pop()
        if emit:
            yield index
            continue
        node = nodes[index]
        front = in_front(node.plane, eye)
        first, last = (node.back, node.front) if front == back_first else (node.front, node.back)
        if last is not None:
            stack.append((last, False))
        stack.append((index, True))
        if first is not None:
            stack.append((first, False))


def leaf_at(nodes: Sequence["Node"], point: Point) -> int:
    """Descends from the root to the front child when the point is in front of a node's plane
    and to the back child otherwise, and returns the index of the node where the child on that
    side is absent."""
    index = 0
    while True:
        node = nodes[index]
        child = node.front if in_front(node.plane, point) else node.back
        if child is None:
            return index
        index = child
