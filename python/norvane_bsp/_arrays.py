"""Bulk tables as NumPy arrays when NumPy is importable, as plain sequences otherwise."""

from __future__ import annotations

import struct
from typing import TYPE_CHECKING, Any, Iterator, List, NamedTuple, Optional, Sequence, Tuple, Union, overload

if TYPE_CHECKING:
    from .model import Tree

_VERTEX = struct.Struct("<8f")


def numpy_or_none() -> Optional[Any]:
    """The numpy module, or None. Asked on every call, so that hiding NumPy takes effect at once."""
    try:
        import numpy
    except ImportError:
        return None
    return numpy


def row_index(i: int, count: int, what: str) -> int:
    """``i`` as an index into ``count`` rows, a negative one counted from the end."""
    if i < 0:
        i += count
    if not 0 <= i < count:
        raise IndexError(f"{what} index out of range")
    return i


class VertexRows(Sequence[Tuple[float, ...]]):
    """The vertex table without NumPy: rows of 8 Python floats, read from the file's bytes as
    they are asked for (a list of tuples would take ten times the table's bytes)."""

    __slots__ = ("_data", "_offset", "_count")

    def __init__(self, data: Union[bytes, bytearray], offset: int, count: int) -> None:
        self._data, self._offset, self._count = data, offset, count

    def __len__(self) -> int:
        return self._count

    @overload
    def __getitem__(self, i: int) -> Tuple[float, ...]: ...

    @overload
    def __getitem__(self, i: slice) -> List[Tuple[float, ...]]: ...

    def __getitem__(self, i):
        if isinstance(i, slice):
            return [self[k] for k in range(*i.indices(self._count))]
        return _VERTEX.unpack_from(self._data, self._offset + _VERTEX.size * row_index(i, self._count, "vertex"))

    def __iter__(self) -> Iterator[Tuple[float, ...]]:
        end = self._offset + _VERTEX.size * self._count
        return (_VERTEX.unpack_from(self._data, at) for at in range(self._offset, end, _VERTEX.size))

    def __eq__(self, other: object) -> bool:
        return isinstance(other, Sequence) and len(other) == len(self) and all(a == b for a, b in zip(self, other))

    def __repr__(self) -> str:
        return f"VertexRows({self._count} rows)"


def vertex_table(data: Union[bytes, bytearray], offset: int, count: int) -> Any:
    """``count`` vertex records from ``offset``: an (N, 8) float32 array, or VertexRows."""
    np = numpy_or_none()
    if np is None:
        return VertexRows(data, offset, count)
    table = np.frombuffer(data, dtype="<f4", count=8 * count, offset=offset).reshape(count, 8)
    return table.astype(np.float32)  # a native-order copy that does not hold on to `data`


class FaceArrays(NamedTuple):
    """Every face record of a tree in file order, one column per field."""

    node: Any
    """Pre-order index of the node that stores the face (int32)."""
    corners: Any
    """Vertex indices, one row of three per face (uint16, uint32 in version 51; shape (F, 3))."""
    id: Any
    """Initial face index (uint16, uint32 in version 51)."""
    material: Any
    """Material index, -1 for none (int32)."""
    plane: Any
    """a, b, c, d of the face's plane (float32, shape (F, 4))."""


def _numpy_face_arrays(np: Any, tree: "Tree") -> FaceArrays:
    # Each node's records lie together in the file: one view per node, joined once.
    layout = tree._layout
    index = "<u2" if layout.count_bytes == 2 else "<u4"
    wide = np.uint16 if layout.count_bytes == 2 else np.uint32  # the file's own width
    record = np.dtype([("corners", index, (3,)), ("id", index), ("material", index), ("plane", "<f4", (4,))])
    assert record.itemsize == layout.face.size
    parts, nodes = [], []
    for node in tree.nodes:
        count = len(node.faces)
        if count:
            parts.append(np.frombuffer(tree._data, dtype=record, count=count, offset=node.offset + layout.node.size))
            nodes.append(np.full(count, node.index, dtype=np.int32))
    records = np.concatenate(parts) if parts else np.zeros(0, dtype=record)
    material = records["material"].astype(np.int64)
    material[material == layout.no_material] = -1
    material = material.astype(np.int32)
    return FaceArrays(
        np.concatenate(nodes) if nodes else np.zeros(0, dtype=np.int32),
        records["corners"].astype(wide).reshape(len(records), 3),
        records["id"].astype(wide),
        material,
        records["plane"].astype(np.float32).reshape(len(records), 4),
    )


def face_arrays(tree: "Tree") -> FaceArrays:
    np = numpy_or_none()
    if np is not None:
        return _numpy_face_arrays(np, tree)
    node: List[int] = []
    corners: List[Tuple[int, int, int]] = []
    ids: List[int] = []
    material: List[int] = []
    plane: List[Tuple[float, ...]] = []
    for n in tree.nodes:
        for f in n.faces:
            node.append(n.index)
            corners.append(f.corners)
            ids.append(f.id)
            material.append(-1 if f.material is None else f.material)
            plane.append(tuple(f.plane))
    return FaceArrays(node, corners, ids, material, plane)
