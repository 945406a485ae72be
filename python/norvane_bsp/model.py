"""The parsed tree file: header, materials, vertex table and nodes in pre-order."""

from __future__ import annotations

from typing import TYPE_CHECKING, Any, Iterator, List, NamedTuple, Optional, Sequence, Tuple, Union

from . import rules, traversal
from ._arrays import FaceArrays, face_arrays

if TYPE_CHECKING:
    import numpy

    VertexTable = Union[numpy.ndarray, List[Tuple[float, ...]]]
else:
    VertexTable = Any

Point = Sequence[float]


class Plane(NamedTuple):
    """The plane a*x + b*y + c*z + d = 0; (a, b, c) is the unit normal, pointing to the front."""

    a: float
    b: float
    c: float
    d: float


class Face(NamedTuple):
    """One face record: a triangle stored at a node."""

    corners: Tuple[int, int, int]
    """Indices into the vertex table, in stored order."""
    id: int
    """Index of the initial face this face is, or was cut from; the pieces of a cut face share it."""
    material: Optional[int]
    """Index into the material table, or None for a face without material (0xFFFF in the file)."""
    plane: Plane
    """The plane of the initial face, also for its pieces."""


class Header(NamedTuple):
    """The 11-byte header."""

    magic: str
    version: int
    vertex_count: int
    face_count: int
    """Number of initial faces, before any was cut."""
    material_count: int


class Node:
    """One node record, with its place in the tree."""

    __slots__ = ("index", "offset", "flags", "plane", "faces", "depth", "front", "back", "parent", "_nodes")

    def __init__(
        self,
        index: int,
        offset: int,
        flags: int,
        plane: Plane,
        faces: List[Face],
        depth: int,
        parent: Optional[int],
        nodes: List["Node"],
    ) -> None:
        self.index = index
        """Pre-order index: the position of the record in the file."""
        self.offset = offset
        """Byte offset of the record in the file."""
        self.flags = flags
        """Bit 0: a front child follows; bit 1: a back child follows; 0 for a leaf."""
        self.plane = plane
        """The splitting plane; all zeros for a node the build gave none (a leaf). A node with
        flags 0 can still have one: its faces then all lie in that plane (docs/FORMAT.md)."""
        self.faces = faces
        """The faces kept at this node: those in its plane (either facing), or all of a leaf's."""
        self.depth = depth
        """1 for the root."""
        self.front: Optional[int] = None
        """Pre-order index of the front child, or None."""
        self.back: Optional[int] = None
        """Pre-order index of the back child, or None."""
        self.parent = parent
        """Pre-order index of the parent, or None for the root."""
        self._nodes = nodes

    @property
    def is_leaf(self) -> bool:
        return self.flags == 0

    @property
    def path(self) -> str:
        """The steps from the root, "F" to a front child and "B" to a back child; "" for the root."""
        steps = []
        node = self
        while node.parent is not None:
            parent = self._nodes[node.parent]
            steps.append("F" if parent.front == node.index else "B")
            node = parent
        return "".join(reversed(steps))

    def __repr__(self) -> str:
        return (
            f"Node(index={self.index}, depth={self.depth}, flags={self.flags}, plane={tuple(self.plane)}, "
            f"front={self.front}, back={self.back}, faces={len(self.faces)})"
        )


class Tree:
    """A whole tree file. Build one with ``read`` or ``read_bytes``."""

    def __init__(
        self, header: Header, materials: List[str], vertices: VertexTable, nodes: List[Node], size: int
    ) -> None:
        self.header = header
        self.materials = materials
        """Material names, each slot up to its NUL, read as Latin-1."""
        self.vertices = vertices
        """Rows of x, y, z, u, v, nx, ny, nz: an (N, 8) float32 NumPy array, or a list of 8-tuples."""
        self.nodes = nodes
        """Every node, in pre-order (file order); the root is nodes[0]."""
        self.size = size
        """Length of the file in bytes."""

    def check(self) -> None:
        """Applies every rule of the format; raises TreeFileError at the first violation."""
        rules.check_tree(self)

    def preorder(self) -> Iterator[int]:
        """Node indices in file order: a node, its front subtree, then its back subtree."""
        return iter(range(len(self.nodes)))

    def back_to_front(self, eye: Point) -> Iterator[int]:
        """Node indices in painter's order for an eye at (x, y, z): farthest first."""
        return traversal.walk(self.nodes, eye, back_first=True)

    def front_to_back(self, eye: Point) -> Iterator[int]:
        """The exact reverse of back_to_front: nearest first."""
        return traversal.walk(self.nodes, eye, back_first=False)

    def leaf_at(self, point: Point) -> int:
        """Index of the node where the descent from the root towards ``point`` ends."""
        return traversal.leaf_at(self.nodes, point)

    def face_arrays(self) -> FaceArrays:
        """Every face record in file order as columns (NumPy arrays when NumPy is importable)."""
        return face_arrays(self.nodes)

    def __repr__(self) -> str:
        return (
            f"Tree(version={self.header.version}, vertices={self.header.vertex_count}, "
            f"faces={self.header.face_count}, materials={len(self.materials)}, nodes={len(self.nodes)})"
        )
