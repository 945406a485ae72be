"""The arithmetic docs/FORMAT.md describes, written from the document alone, so that the tests
hold the compiler's files to it: the face plane, the side test, the cut, the distribution of a
node's faces, a leaf's kind and its drawing order. Every value is a Python float (a double),
rounded to a 32-bit float where the document says so."""

from __future__ import annotations

import math
from typing import Dict, List, NamedTuple, Optional, Sequence, Set, Tuple

from norvane_bsp._f32 import TOLERANCE, to_f32

Plane4 = Tuple[float, float, float, float]
Vertex8 = Tuple[float, ...]  # x, y, z, u, v, nx, ny, nz

FRONT, BEHIND, ON, SPANNING = "front", "behind", "on", "spanning"


def divide(a: float, b: float) -> float:
    """a / b as C divides doubles: 0 / 0 is NaN and x / 0 an infinity, not an exception."""
    if b == 0:
        return math.nan if a == 0 or math.isnan(a) else math.copysign(math.inf, a) * math.copysign(1.0, b)
    return a / b


def face_plane(p0: Sequence[float], p1: Sequence[float], p2: Sequence[float]) -> Plane4:
    """The plane of a face from its stored corners, step by step as the document gives it."""
    e1 = [to_f32(p1[k] - p0[k]) for k in range(3)]
    e2 = [to_f32(p2[k] - p0[k]) for k in range(3)]
    n = [
        to_f32(e2[1] * e1[2] - e1[1] * e2[2]),
        to_f32(e2[2] * e1[0] - e1[2] * e2[0]),
        to_f32(e2[0] * e1[1] - e1[0] * e2[1]),
    ]
    length = to_f32(math.sqrt((n[0] * n[0] + n[1] * n[1]) + n[2] * n[2]))
    a, b, c = (to_f32(divide(v, length)) for v in n)
    d = to_f32(-((a * p0[0] + b * p0[1]) + c * p0[2]))
    return a, b, c, d


def distance(plane: Sequence[float], point: Sequence[float]) -> float:
    a, b, c, d = plane
    return to_f32(((a * point[0] + b * point[1]) + c * point[2]) + d)


def corner_side(s: float) -> str:
    """The side of a distance as the build takes it: a NaN is behind."""
    if s > TOLERANCE:
        return FRONT
    if s < -TOLERANCE or math.isnan(s):
        return BEHIND
    return ON


def face_side(plane: Sequence[float], corners: Sequence[Sequence[float]]) -> str:
    sides = [corner_side(distance(plane, p)) for p in corners]
    if sides.count(ON) == 3:
        return ON
    if BEHIND not in sides:
        return FRONT
    if FRONT not in sides:
        return BEHIND
    return SPANNING


class Made(NamedTuple):
    """A vertex a cut made: on the edge from vertex `start` to vertex `end` at t, at `node`."""

    start: int
    end: int
    t: Optional[float]  # None when the start vertex stood in
    node: int


def cut_vertex(start: Vertex8, end: Vertex8, plane: Sequence[float]) -> Tuple[Vertex8, Optional[float]]:
    ds, de = distance(plane, start), distance(plane, end)
    if ds == de or math.isnan(ds) or math.isnan(de):
        return tuple(start), None
    t = to_f32(ds / (ds - de))
    v = [to_f32((e - s) * t + s) for s, e in zip(start, end)]
    length = to_f32(math.sqrt((v[5] * v[5] + v[6] * v[6]) + v[7] * v[7]))
    if length == 0 or not math.isfinite(length):
        v[5:8] = start[5:8]
    else:
        v[5:8] = [to_f32(n / length) for n in v[5:8]]
    return tuple(v), t


class Face(NamedTuple):
    corners: Tuple[int, int, int]
    id: int
    material: Optional[int]
    plane: Plane4


def split(face: Face, plane: Plane4, vertices: List[Vertex8], node: int, made: Dict[int, Made]):
    """Cuts a spanning face: its front pieces, its back pieces; appends the two new vertices."""
    sides = [corner_side(distance(plane, vertices[c])) for c in face.corners]
    if sides.count(BEHIND) == 1:
        i, lone_front = sides.index(BEHIND), False
    else:
        i, lone_front = sides.index(FRONT), True
    vi, vj, vk = (face.corners[(i + k) % 3] for k in range(3))
    new = []
    for start, end in ((vi, vj), (vk, vi)):
        vertex, t = cut_vertex(vertices[start], vertices[end], plane)
        vertices.append(vertex)
        made[len(vertices) - 1] = Made(start, end, t, node)
        new.append(len(vertices) - 1)
    n1, n2 = new
    piece = lambda a, b, c: face._replace(corners=(a, b, c))  # noqa: E731
    if lone_front:
        return [piece(vi, n1, n2)], [piece(n1, vj, vk), piece(vk, n2, n1)]
    return [piece(n1, vj, n2), piece(vj, vk, n2)], [piece(n1, n2, vi)]


def same_vertex(a: Vertex8, b: Vertex8) -> bool:
    return all(x == y or math.isnan(x) or math.isnan(y) for x, y in zip(a[:5], b[:5]))


class FirstEqual:
    """The first vertex of a list equal to another in x, y, z, u and v (-0 equals 0, a NaN
    equals anything), as the file names every corner."""

    def __init__(self, vertices: Sequence[Vertex8]) -> None:
        self.vertices = vertices
        self.first: Dict[Tuple[float, ...], int] = {}
        self.with_nan: List[int] = []
        for i, v in enumerate(vertices):
            if any(math.isnan(x) for x in v[:5]):
                self.with_nan.append(i)
            else:
                self.first.setdefault(tuple(x + 0.0 for x in v[:5]), i)

    def __call__(self, v: Vertex8) -> int:
        found = [i for i in self.with_nan if same_vertex(self.vertices[i], v)][:1]
        if any(math.isnan(x) for x in v[:5]):
            found += [i for i, w in enumerate(self.vertices) if same_vertex(w, v)][:1]
        else:
            key = tuple(x + 0.0 for x in v[:5])
            if key in self.first:
                found.append(self.first[key])
        return min(found)


def leaf_sides(faces: Sequence[Face], vertices: Sequence[Vertex8]) -> Set[str]:
    """The sides found over every ordered pair of two different faces of a leaf: the side of
    the second against the first's plane. Stops early once the leaf is known unseparated."""
    seen: Set[str] = set()
    for x, fx in enumerate(faces):
        for y, fy in enumerate(faces):
            if x != y:
                seen.add(face_side(fx.plane, [vertices[c] for c in fy.corners]))
        if SPANNING in seen or {FRONT, BEHIND} <= seen:
            break
    return seen


def leaf_kind(faces: Sequence[Face], vertices: Sequence[Vertex8]) -> str:
    seen = leaf_sides(faces, vertices)
    if SPANNING in seen or {FRONT, BEHIND} <= seen:
        return "unseparated"
    return "outward" if BEHIND in seen else "inward" if FRONT in seen else "flat"


def eye_in_front(plane: Sequence[float], eye: Sequence[float]) -> bool:
    return distance(plane, [to_f32(v) for v in eye]) > TOLERANCE


def leaf_order(kind: str, faces: Sequence[Face], eye: Sequence[float]) -> List[int]:
    """The drawing order of a separated leaf: N then F for an outward leaf (faces behind one
    another's planes), F then N for an inward one, where F holds the faces whose plane has the
    eye in front; file order within each."""
    f = [i for i, face in enumerate(faces) if eye_in_front(face.plane, eye)]
    n = [i for i, face in enumerate(faces) if not eye_in_front(face.plane, eye)]
    return f + n if kind == "inward" else n + f


def reaches(plane: Sequence[float], corners: Sequence[Sequence[float]], side: str) -> bool:
    return any(corner_side(distance(plane, p)) == side for p in corners)


def wrong_before(x: Face, y: Face, vertices: Sequence[Vertex8], eye: Sequence[float]) -> bool:
    """The occlusion test: drawing x before y is wrong only when x reaches the eye's side of
    y's plane and y reaches the far side of x's plane."""
    e = [to_f32(v) for v in eye]
    eye_y, eye_x = corner_side(distance(y.plane, e)), corner_side(distance(x.plane, e))
    if eye_y == ON or eye_x == ON:
        return False  # a face seen edge on hides nothing and is hidden by nothing
    far_x = FRONT if eye_x == BEHIND else BEHIND
    return reaches(y.plane, [vertices[c] for c in x.corners], eye_y) and reaches(
        x.plane, [vertices[c] for c in y.corners], far_x
    )
