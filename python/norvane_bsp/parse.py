"""Reading a tree file: its bytes, read within the same maximum as the C++ reader, and its
sections, checked in the order the C++ reader meets them, so both report the same offset and
message. The tree keeps the file's bytes and a few numbers a node; faces and planes are read
from the bytes when asked for (see model.py)."""

from __future__ import annotations

import os
import stat
import struct
from array import array
from typing import Union

from ._arrays import vertex_table
from .errors import TreeFileError
from .layout import Layout, layout_of
from .model import Header, Tree

HEADER_SIZE = 11
MATERIAL_SLOT_SIZE = 256
VERTEX_RECORD_SIZE = 32
NODE_RECORD_SIZE = 20
FACE_RECORD_SIZE = 26

MAX_FILE_SIZE = 1 << 30
"""The most bytes a tree file may hold, as for the C++ readers (maxTreeFileSize): a longer file
or stream is refused at offset 0."""

_READ_BLOCK = 1 << 20

PathLike = Union[str, "os.PathLike[str]"]

TOO_LARGE = f"the file is larger than {MAX_FILE_SIZE} bytes"
OUT_OF_MEMORY = "the tree does not fit in memory"


def read(path: PathLike) -> Tree:
    """Reads and parses the tree file at ``path``, at most MAX_FILE_SIZE bytes of it.

    Raises OSError when the file cannot be read and TreeFileError when it does not parse, is
    longer than MAX_FILE_SIZE or does not fit in memory (at offset 0, as the C++ reader). A FIFO
    is read as it comes (its opening waits for a writer, as any open does). The rules that need
    the whole file (version, indices) are left to ``Tree.check``.
    """
    try:
        return _parse(_read_limited(path))  # the bytes are the tree's own: no copy
    except MemoryError:
        raise TreeFileError(0, OUT_OF_MEMORY) from None


def _read_limited(path: PathLike) -> bytearray:
    with open(path, "rb", buffering=0) as stream:
        info = os.fstat(stream.fileno())
        if stat.S_ISREG(info.st_mode):
            if info.st_size > MAX_FILE_SIZE:
                raise TreeFileError(0, TOO_LARGE)
            data = bytearray(info.st_size)  # read into place: no second copy of a large file
            got = stream.readinto(data)
            if got is None or got < info.st_size:  # the file shrank while read
                del data[got or 0 :]
        else:
            data = bytearray()
        # Whatever follows (a stream, or a file that grew), in blocks, one byte past the limit
        # telling a stream that holds too much from one that ends there.
        while len(data) <= MAX_FILE_SIZE:
            block = stream.read(min(_READ_BLOCK, MAX_FILE_SIZE + 1 - len(data)))
            if not block:
                break
            data += block
        if len(data) > MAX_FILE_SIZE:
            raise TreeFileError(0, TOO_LARGE)
        return data


def read_bytes(data: Union[bytes, bytearray, memoryview]) -> Tree:
    """Parses a whole tree file held in memory; raises TreeFileError when it does not parse or
    does not fit in memory. The tree keeps a copy of bytes that could change under it."""
    try:
        return _parse(data if isinstance(data, bytes) else bytes(data))
    except MemoryError:
        raise TreeFileError(0, OUT_OF_MEMORY) from None


def _parse(data: Union[bytes, bytearray]) -> Tree:
    size = len(data)
    if size < HEADER_SIZE:
        raise TreeFileError(0, "file shorter than the 11-byte header")
    if bytes(data[:3]) != b"BSP":
        raise TreeFileError(0, 'magic is not "BSP"')
    layout = layout_of(struct.unpack_from("<H", data, 3)[0])
    if size < layout.header.size:
        raise TreeFileError(0, f"file shorter than the {layout.header.size}-byte header of version {layout.version}")
    magic, version, vertex_count, face_count, material_count = layout.header.unpack_from(data, 0)
    header = Header("BSP", version, vertex_count, face_count, material_count)
    materials, pos = _materials(data, material_count, layout.header.size)
    if size - pos < VERTEX_RECORD_SIZE * vertex_count:
        whole = (size - pos) // VERTEX_RECORD_SIZE
        raise TreeFileError(pos + VERTEX_RECORD_SIZE * whole, f"vertex table ends early (vertex {whole})")
    vertices = vertex_table(data, pos, vertex_count)
    pos += VERTEX_RECORD_SIZE * vertex_count
    links, pos = _nodes(data, pos, layout)
    if pos != size:
        raise TreeFileError(pos, f"{size - pos} bytes after the last node record")
    return Tree(header, materials, vertices, data, links, layout)


def _materials(data: Union[bytes, bytearray], count: int, pos: int):
    materials = []
    for i in range(count):
        if len(data) - pos < MATERIAL_SLOT_SIZE:
            raise TreeFileError(pos, f"material table ends early (slot {i})")
        end = data.find(b"\0", pos, pos + MATERIAL_SLOT_SIZE)
        if end < 0:
            raise TreeFileError(pos, f"material slot {i} has no terminator")
        materials.append(bytes(data[pos:end]).decode("latin-1"))
        pos += MATERIAL_SLOT_SIZE
    return materials, pos


def _nodes(data: Union[bytes, bytearray], pos: int, layout: Layout):
    """Pre-order: a node record, then its front subtree, then its back subtree. The stack holds
    the children still to read, each with its parent and side; each node's offset, depth,
    parent and children go into arrays of their own (-1 for none)."""
    size = len(data)
    offsets, depths, parents, fronts, backs = array("q"), array("i"), array("i"), array("i"), array("i")
    pending = [(-1, True)]
    while pending:
        parent, front = pending.pop()
        index = len(offsets)
        node_size, face_size = layout.node.size, layout.face.size
        if size - pos < node_size:
            raise TreeFileError(pos, f"node record {index} ends early")
        flags, count = layout.node_head.unpack_from(data, pos)
        if flags > 3:
            raise TreeFileError(pos, f"node {index} has unknown flag bits")
        if size - pos - node_size < face_size * count:
            raise TreeFileError(pos + node_size, f"face records of node {index} end early")
        offsets.append(pos)
        parents.append(parent)
        fronts.append(-1)
        backs.append(-1)
        depths.append(1 if parent < 0 else depths[parent] + 1)
        if parent >= 0:
            (fronts if front else backs)[parent] = index
        pos += node_size + face_size * count
        if flags & 2:
            pending.append((index, False))
        if flags & 1:
            pending.append((index, True))
    return (offsets, depths, parents, fronts, backs), pos
