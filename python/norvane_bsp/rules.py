"""The rules of the format beyond its structure, checked in the order of
``norvane-dump tree --check``: the version, then node by node and face by face the three
corners, the id and the material."""

from __future__ import annotations

import struct
from typing import TYPE_CHECKING

from .errors import TreeFileError

if TYPE_CHECKING:
    from .model import Tree

TREE_FILE_VERSION = 50
_NODE_RECORD_SIZE = 20
_FACE_RECORD_SIZE = 26
_NO_MATERIAL = 0xFFFF
_INDICES = struct.Struct("<5H")


def check_tree(tree: "Tree") -> None:
    """Raises TreeFileError at the first rule the parsed tree breaks."""
    header = tree.header
    if header.version != TREE_FILE_VERSION:
        raise TreeFileError(3, f"version is {header.version}, not {TREE_FILE_VERSION}")
    vertices, faces, materials = header.vertex_count, header.face_count, header.material_count
    data = tree._data
    for n, node in enumerate(tree.nodes):
        first = node.offset + _NODE_RECORD_SIZE
        for i in range(len(node.faces)):
            at = first + _FACE_RECORD_SIZE * i
            v0, v1, v2, face_id, material = _INDICES.unpack_from(data, at)
            if v0 < vertices and v1 < vertices and v2 < vertices and face_id < faces and (
                material < materials or material == _NO_MATERIAL
            ):
                continue
            where = f"node {n} face {i}: "
            for k, corner in enumerate((v0, v1, v2)):
                if corner >= vertices:
                    raise TreeFileError(at + 2 * k, f"{where}corner index {corner} not below vertexCount {vertices}")
            if face_id >= faces:
                raise TreeFileError(at + 6, f"{where}id {face_id} not below faceCount {faces}")
            raise TreeFileError(at + 8, f"{where}material {material} not below materialCount {materials}")
