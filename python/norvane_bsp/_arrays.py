"""Bulk tables as NumPy arrays when NumPy is importable, as plain lists otherwise."""

from __future__ import annotations

import struct
from typing import TYPE_CHECKING, Any, NamedTuple, Optional, Sequence

if TYPE_CHECKING:
    from .model import Node

_VERTEX = struct.Struct("<8f")


def numpy_or_none() -> Optional[Any]:
    """The numpy module, or None. Asked on every call, so that hiding NumPy takes effect at once."""
    try:
        import numpy
    except ImportError:
        return None
    return numpy


def vertex_table(data: bytes, offset: int, count: int) -> Any:
    """``count`` vertex records from ``offset``: an (N, 8) float32 array, or a list of 8-tuples."""
    np = numpy_or_none()
    if np is None:
        return list(_VERTEX.iter_unpack(data[offset : offset + _VERTEX.size * count]))
    table = np.frombuffer(data, dtype="<f4", count=8 * count, offset=offset).reshape(count, 8)
    return table.astype(np.float32)  # a native-order copy that does not hold on to `data`


class FaceArrays(NamedTuple):
    """Every face record of a tree in file order, one column per field."""

    node: Any
    """Pre-order index of the node that stores the face (int32)."""
    corners: Any
    """Vertex indices, one row of three per face (uint16, shape (F, 3))."""
    id: Any
    """Initial face index (uint16)."""
    material: Any
    """Material index, -1 for none (int32)."""
    plane: Any
    """a, b, c, d of the face's plane (float32, shape (F, 4))."""


def face_arrays(nodes: Sequence["Node"]) -> FaceArrays:
    node = [n.index for n in nodes for _ in n.faces]
    faces = [f for n in nodes for f in n.faces]
    corners = [f.corners for f in faces]
    ids = [f.id for f in faces]
    material = [-1 if f.material is None else f.material for f in faces]
    plane = [tuple(f.plane) for f in faces]
    np = numpy_or_none()
    if np is None:
        return FaceArrays(node, corners, ids, material, plane)
    return FaceArrays(
        np.array(node, dtype=np.int32),
        np.array(corners, dtype=np.uint16).reshape(len(faces), 3),
        np.array(ids, dtype=np.uint16),
        np.array(material, dtype=np.int32),
        np.array(plane, dtype=np.float32).reshape(len(faces), 4),
    )
