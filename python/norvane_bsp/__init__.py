"""Reading Norvane's BSP tree files (``.bsp``) in Python.

    >>> import norvane_bsp
    >>> tree = norvane_bsp.read("scene.bsp")
    >>> tree.check()
    >>> for index in tree.back_to_front((0.0, 1.7, -5.0)):
    ...     for face in tree.nodes[index].faces:
    ...         ...

Pure Python on the standard library; when NumPy is importable the vertex table and
``Tree.face_arrays()`` are NumPy arrays.
"""

from __future__ import annotations

import os
from typing import Union

from .errors import TreeFileError
from .model import Face, Header, Node, Plane, Tree
from .parse import MAX_FILE_SIZE, read, read_bytes
from .traversal import distance, in_front

__version__ = "5.0"  # Norvane's version, as CMakeLists.txt's project(VERSION) has it

__all__ = [
    "MAX_FILE_SIZE",
    "Face",
    "Header",
    "Node",
    "Plane",
    "Tree",
    "TreeFileError",
    "check",
    "distance",
    "in_front",
    "read",
    "read_bytes",
]


def check(source: Union[str, "os.PathLike[str]", bytes, bytearray, memoryview]) -> Tree:
    """Parses a tree file (a path, or the file's bytes) and applies every rule of the format,
    in the order of ``norvane-dump tree --check``. Returns the tree; raises TreeFileError at
    the first problem and OSError when a path cannot be read."""
    tree = read_bytes(source) if isinstance(source, (bytes, bytearray, memoryview)) else read(source)
    tree.check()
    return tree
