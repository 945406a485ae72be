"""Parsing a tree file: its sections and the first structural problem, in the order the C++
reader meets them, so both report the same offset and message."""

from __future__ import annotations

import os
import struct
from typing import List, Optional, Tuple, Union

from ._arrays import vertex_table
from .errors import TreeFileError
from .model import Face, Header, Node, Plane, Tree

MATERIAL_SLOT_SIZE = 256
VERTEX_RECORD_SIZE = 32


class Layout:
    """One version of the layout: version 50's counts and indices are 16 bits wide, version 51's
    32 bits; everything else is the same."""

    def __init__(self, version: int, count: str, no_material: int) -> None:
        self.version = version
        self.header = struct.Struct("<3sH3" + count)
        self.node = struct.Struct("<H4f" + count)
        self.face = struct.Struct("<5" + count + "4f")
        self.no_material = no_material
        self.count_bytes = struct.calcsize("<" + count)


LAYOUTS = {50: Layout(50, "H", 0xFFFF), 51: Layout(51, "I", 0xFFFFFFFF)}
HEADER_SIZE = LAYOUTS[50].header.size
NODE_RECORD_SIZE = LAYOUTS[50].node.size
FACE_RECORD_SIZE = LAYOUTS[50].face.size
NO_MATERIAL = LAYOUTS[50].no_material


def layout_of(version: int) -> Layout:
    """The layout of a version; a version no reader knows is read as version 50 is."""
    return LAYOUTS.get(version, LAYOUTS[50])

PathLike = Union[str, "os.PathLike[str]"]


def read(path: PathLike) -> Tree:
    """Reads and parses the tree file at ``path``.

    Raises OSError when the file cannot be read and TreeFileError when it does not parse.
    The rules that need the whole file (version, indices) are left to ``Tree.check``.
    """
    with open(path, "rb") as stream:
        return read_bytes(stream.read())


def read_bytes(data: Union[bytes, bytearray, memoryview]) -> Tree:
    """Parses a whole tree file held in memory; raises TreeFileError when it does not parse."""
    data = bytes(data)
    size = len(data)
    if size < HEADER_SIZE:
        raise TreeFileError(0, "file shorter than the 11-byte header")
    if data[:3] != b"BSP":
        raise TreeFileError(0, 'magic is not "BSP"')
    layout = layout_of(struct.unpack_from("<H", data, 3)[0])
    if size < layout.header.size:
        raise TreeFileError(0, f"file shorter than the {layout.header.size}-byte header of version {layout.version}")
    magic, version, vertex_count, face_count, material_count = layout.header.unpack_from(data, 0)
    header = Header("BSP", version, vertex_count, face_count, material_count)
    pos = layout.header.size

    materials: List[str] = []
    for i in range(material_count):
        if size - pos < MATERIAL_SLOT_SIZE:
            raise TreeFileError(pos, f"material table ends early (slot {i})")
        end = data.find(b"\0", pos, pos + MATERIAL_SLOT_SIZE)
        if end < 0:
            raise TreeFileError(pos, f"material slot {i} has no terminator")
        materials.append(data[pos:end].decode("latin-1"))
        pos += MATERIAL_SLOT_SIZE

    if size - pos < VERTEX_RECORD_SIZE * vertex_count:
        whole = (size - pos) // VERTEX_RECORD_SIZE
        raise TreeFileError(pos + VERTEX_RECORD_SIZE * whole, f"vertex table ends early (vertex {whole})")
    vertices = vertex_table(data, pos, vertex_count)
    pos += VERTEX_RECORD_SIZE * vertex_count

    nodes: List[Node] = []
    # Pre-order: a node record, then its front subtree, then its back subtree. The stack holds
    # the children still to read, each with its parent and side.
    pending: List[Tuple[Optional[int], bool]] = [(None, True)]
    while pending:
        parent, front = pending.pop()
        offset = pos
        index = len(nodes)
        if size - pos < layout.node.size:
            raise TreeFileError(offset, f"node record {index} ends early")
        flags, a, b, c, d, count = layout.node.unpack_from(data, pos)
        pos += layout.node.size
        if flags > 3:
            raise TreeFileError(offset, f"node {index} has unknown flag bits")
        if size - pos < layout.face.size * count:
            raise TreeFileError(pos, f"face records of node {index} end early")
        faces = [
            Face((v0, v1, v2), face_id, None if material == layout.no_material else material, Plane(fa, fb, fc, fd))
            for v0, v1, v2, face_id, material, fa, fb, fc, fd in layout.face.iter_unpack(
                data[pos : pos + layout.face.size * count]
            )
        ]
        pos += layout.face.size * count
        depth = 1
        if parent is not None:
            above = nodes[parent]
            if front:
                above.front = index
            else:
                above.back = index
            depth = above.depth + 1
        nodes.append(Node(index, offset, flags, Plane(a, b, c, d), faces, depth, parent, nodes))
        if flags & 2:
            pending.append((index, False))
        if flags & 1:
            pending.append((index, True))
    if pos != size:
        raise TreeFileError(pos, f"{size - pos} bytes after the last node record")
    return Tree(header, materials, vertices, nodes, size)
