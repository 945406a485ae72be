"""The rules of the format beyond its structure, checked in the order of
``norvane-dump tree --check``: the version, then node by node and face by face the three
corners, the id and the material."""

from __future__ import annotations

from typing import TYPE_CHECKING

from .errors import TreeFileError

if TYPE_CHECKING:
    from .model import Tree

TREE_FILE_VERSION = 50
_NODE_RECORD_SIZE = 20
_FACE_RECORD_SIZE = 26


def check_tree(tree: "Tree") -> None:
    """Raises TreeFileError at the first rule the parsed tree breaks."""
    header = tree.header
    if header.version != TREE_FILE_VERSION:
        raise TreeFileError(3, f"version is {header.version}, not {TREE_FILE_VERSION}")
    for n, node in enumerate(tree.nodes):
        for i, face in enumerate(node.faces):
            at = node.offset + _NODE_RECORD_SIZE + _FACE_RECORD_SIZE * i
            where = f"node {n} face {i}: "
            for k, corner in enumerate(face.corners):
                if corner >= header.vertex_count:
                    raise TreeFileError(
                        at + 2 * k,
                        f"{where}corner index {corner} not below vertexCount {header.vertex_count}",
                    )
            if face.id >= header.face_count:
                raise TreeFileError(at + 6, f"{where}id {face.id} not below faceCount {header.face_count}")
            if face.material is not None and face.material >= header.material_count:
                raise TreeFileError(
                    at + 8, f"{where}material {face.material} not below materialCount {header.material_count}"
                )
