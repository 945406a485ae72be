"""The parsed tree file: header, materials, vertex table and nodes in pre-order.

A tree keeps the file's bytes and, for each node, its offset, depth, parent and children in
arrays: about 24 bytes a node record beside the file, so a tree takes at most about two and a
half times its file's size. Nodes and faces are views made when they are asked for.
"""

from __future__ import annotations

import struct
from typing import TYPE_CHECKING, Any, Iterator, List, NamedTuple, Optional, Sequence, Tuple, Union, overload

from . import rules, traversal
from ._arrays import FaceArrays, face_arrays, row_index
from .layout import LAYOUTS, Layout

if TYPE_CHECKING:
    from array import array

    import numpy

    VertexTable = Union[numpy.ndarray, Sequence[Tuple[float, ...]]]
else:
    VertexTable = Any

Point = Sequence[float]

NODE_RECORD_SIZE = 20  # version 50's; a tree's own layout says its version's
FACE_RECORD_SIZE = 26
NO_MATERIAL = 0xFFFF


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
    """Index into the material table, or None for a face without material (0xFFFF in the file,
    0xFFFFFFFF in version 51)."""
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


def face_at(data: Union[bytes, bytearray], at: int, layout: Layout = LAYOUTS[50]) -> Face:
    """The face record at byte offset ``at``."""
    v0, v1, v2, face_id, material, a, b, c, d = layout.face.unpack_from(data, at)
    return Face((v0, v1, v2), face_id, None if material == layout.no_material else material, Plane(a, b, c, d))


class FaceList(Sequence[Face]):
    """A node's face records, read from the file's bytes as they are asked for."""

    __slots__ = ("_data", "_first", "_count", "_layout")

    def __init__(self, data: Union[bytes, bytearray], first: int, count: int, layout: Layout = LAYOUTS[50]) -> None:
        self._data = data
        self._first = first
        self._count = count
        self._layout = layout

    def __len__(self) -> int:
        return self._count

    @overload
    def __getitem__(self, i: int) -> Face: ...

    @overload
    def __getitem__(self, i: slice) -> List[Face]: ...

    def __getitem__(self, i):
        if isinstance(i, slice):
            return [self[k] for k in range(*i.indices(self._count))]
        at = self._first + self._layout.face.size * row_index(i, self._count, "face")
        return face_at(self._data, at, self._layout)

    def __iter__(self) -> Iterator[Face]:
        size = self._layout.face.size
        for at in range(self._first, self._first + size * self._count, size):
            yield face_at(self._data, at, self._layout)

    def __repr__(self) -> str:
        return f"FaceList({list(self)!r})"


class Node:
    """One node record, with its place in the tree: a view into the tree, made on access (two
    views of one node compare equal)."""

    __slots__ = ("_tree", "index")

    def __init__(self, tree: "Tree", index: int) -> None:
        self._tree = tree
        self.index = index
        """Pre-order index: the position of the record in the file."""

    def _link(self, links: "array[int]") -> Optional[int]:
        value = links[self.index]
        return None if value < 0 else value

    @property
    def offset(self) -> int:
        """Byte offset of the record in the file."""
        return self._tree._offsets[self.index]

    @property
    def flags(self) -> int:
        """Bit 0: a front child follows; bit 1: a back child follows; 0 for a leaf."""
        return self._tree._layout.node.unpack_from(self._tree._data, self.offset)[0]

    @property
    def plane(self) -> Plane:
        """The splitting plane; all zeros for a leaf."""
        return Plane(*self._tree._layout.node.unpack_from(self._tree._data, self.offset)[1:5])

    @property
    def faces(self) -> FaceList:
        """The faces kept at this node: those in its plane (either facing), or all of a leaf's."""
        at, layout = self.offset, self._tree._layout
        count = layout.node.unpack_from(self._tree._data, at)[5]
        return FaceList(self._tree._data, at + layout.node.size, count, layout)

    @property
    def depth(self) -> int:
        """1 for the root."""
        return self._tree._depths[self.index]

    @property
    def front(self) -> Optional[int]:
        """Pre-order index of the front child, or None."""
        return self._link(self._tree._fronts)

    @property
    def back(self) -> Optional[int]:
        """Pre-order index of the back child, or None."""
        return self._link(self._tree._backs)

    @property
    def parent(self) -> Optional[int]:
        """Pre-order index of the parent, or None for the root."""
        return self._link(self._tree._parents)

    @property
    def is_leaf(self) -> bool:
        return self.flags == 0

    @property
    def path(self) -> str:
        """The steps from the root, "F" to a front child and "B" to a back child; "" for the root."""
        tree, steps, index = self._tree, [], self.index
        while tree._parents[index] >= 0:
            parent = tree._parents[index]
            steps.append("F" if tree._fronts[parent] == index else "B")
            index = parent
        return "".join(reversed(steps))

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Node) and other._tree is self._tree and other.index == self.index

    def __hash__(self) -> int:
        return hash((id(self._tree), self.index))

    def __repr__(self) -> str:
        return (
            f"Node(index={self.index}, depth={self.depth}, flags={self.flags}, plane={tuple(self.plane)}, "
            f"front={self.front}, back={self.back}, faces={len(self.faces)})"
        )


class NodeList(Sequence[Node]):
    """Every node of a tree in pre-order (file order), as views made on access."""

    __slots__ = ("_tree",)

    def __init__(self, tree: "Tree") -> None:
        self._tree = tree

    def __len__(self) -> int:
        return len(self._tree._offsets)

    @overload
    def __getitem__(self, i: int) -> Node: ...

    @overload
    def __getitem__(self, i: slice) -> List[Node]: ...

    def __getitem__(self, i):
        if isinstance(i, slice):
            return [Node(self._tree, k) for k in range(*i.indices(len(self)))]
        if i < 0:
            i += len(self)
        if not 0 <= i < len(self):
            raise IndexError("node index out of range")
        return Node(self._tree, i)

    def __iter__(self) -> Iterator[Node]:
        for i in range(len(self)):
            yield Node(self._tree, i)


class Tree:
    """A whole tree file. Build one with ``read`` or ``read_bytes``."""

    def __init__(
        self,
        header: Header,
        materials: List[str],
        vertices: VertexTable,
        data: Union[bytes, bytearray],
        links: tuple,
        layout: Layout = LAYOUTS[50],
    ) -> None:
        self.header = header
        self.materials = materials
        """Material names, each slot up to its NUL, read as Latin-1."""
        self.vertices = vertices
        """Rows of x, y, z, u, v, nx, ny, nz: an (N, 8) float32 NumPy array, or a sequence of 8-tuples."""
        self._data = data
        self._layout = layout
        self._offsets, self._depths, self._parents, self._fronts, self._backs = links
        self.nodes = NodeList(self)
        """Every node, in pre-order (file order); the root is nodes[0]."""

    @property
    def size(self) -> int:
        """Length of the file in bytes."""
        return len(self._data)

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
        return face_arrays(self)

    def __repr__(self) -> str:
        return (
            f"Tree(version={self.header.version}, vertices={self.header.vertex_count}, "
            f"faces={self.header.face_count}, materials={len(self.materials)}, nodes={len(self.nodes)})"
        )
