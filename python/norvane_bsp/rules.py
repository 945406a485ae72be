"""The rules of the format beyond its structure, checked in the order of
``norvane-dump tree --check``: the version, then node by node and face by face the three
corners, the id and the material."""

from __future__ import annotations

from typing import TYPE_CHECKING

from .errors import TreeFileError

if TYPE_CHECKING:
    from .model import Tree

TREE_FILE_VERSION = 50
TREE_FILE_VERSIONS = (50, 51)


def check_tree(tree: "Tree") -> None:
    """Raises TreeFileError at the first rule the parsed tree breaks."""
    from .parse import layout_of

    header = tree.header
    if header.version not in TREE_FILE_VERSIONS:
        raise TreeFileError(3, f"version is {header.version}, not 50 or 51")
    layout = layout_of(header.version)
    width = layout.count_bytes
    for n, node in enumerate(tree.nodes):
        for i, face in enumerate(node.faces):
            at = node.offset + layout.node.size + layout.face.size * i
            where = f"node {n} face {i}: "
            for k, corner in enumerate(face.corners):
                if corner >= header.vertex_count:
                    raise TreeFileError(
                        at + width * k,
                        f"{where}corner index {corner} not below vertexCount {header.vertex_count}",
                    )
            if face.id >= header.face_count:
                raise TreeFileError(at + 3 * width, f"{where}id {face.id} not below faceCount {header.face_count}")
            if face.material is not None and face.material >= header.material_count:
                raise TreeFileError(
                    at + 4 * width, f"{where}material {face.material} not below materialCount {header.material_count}"
                )
