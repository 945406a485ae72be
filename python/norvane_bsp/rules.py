"""The rules of the format beyond its structure, checked in the order of
``norvane-dump tree --check``: the version, then node by node and face by face the three
corners, the id and the material."""

from __future__ import annotations

from typing import TYPE_CHECKING

from .errors import TreeFileError
from .layout import VERSIONS

if TYPE_CHECKING:
    from .model import Tree

TREE_FILE_VERSION = 50
TREE_FILE_VERSIONS = VERSIONS


def check_tree(tree: "Tree") -> None:
    """Raises TreeFileError at the first rule the parsed tree breaks."""
    header = tree.header
    if header.version not in TREE_FILE_VERSIONS:
        raise TreeFileError(3, f"version is {header.version}, not 50 or 51")
    layout = tree._layout
    width = layout.count_bytes
    vertices, faces, materials = header.vertex_count, header.face_count, header.material_count
    data = tree._data
    for n, node in enumerate(tree.nodes):
        first = node.offset + layout.node.size
        for i in range(len(node.faces)):
            at = first + layout.face.size * i
            v0, v1, v2, face_id, material = layout.indices.unpack_from(data, at)
            if v0 < vertices and v1 < vertices and v2 < vertices and face_id < faces and (
                material < materials or material == layout.no_material
            ):
                continue
            where = f"node {n} face {i}: "
            for k, corner in enumerate((v0, v1, v2)):
                if corner >= vertices:
                    raise TreeFileError(at + width * k, f"{where}corner index {corner} not below vertexCount {vertices}")
            if face_id >= faces:
                raise TreeFileError(at + 3 * width, f"{where}id {face_id} not below faceCount {faces}")
            raise TreeFileError(at + 4 * width, f"{where}material {material} not below materialCount {materials}")
