"""The two versions of the file's layout: version 50's counts and indices are 16 bits wide,
version 51's 32 bits; everything else is the same (docs/FORMAT.md)."""

from __future__ import annotations

import struct


class Layout:
    """The record shapes of one version."""

    def __init__(self, version: int, count: str, no_material: int) -> None:
        self.version = version
        self.count_code = count
        self.count_bytes = struct.calcsize("<" + count)
        self.header = struct.Struct("<3sH3" + count)
        self.node = struct.Struct("<H4f" + count)
        self.node_head = struct.Struct("<H16x" + count)  # flags, the plane skipped, the face count
        self.face = struct.Struct("<5" + count + "4f")
        self.indices = struct.Struct("<5" + count)
        self.no_material = no_material


LAYOUTS = {50: Layout(50, "H", 0xFFFF), 51: Layout(51, "I", 0xFFFFFFFF)}
VERSIONS = (50, 51)


def layout_of(version: int) -> Layout:
    """The layout of a version; a version no reader knows is read as version 50 is."""
    return LAYOUTS.get(version, LAYOUTS[50])
