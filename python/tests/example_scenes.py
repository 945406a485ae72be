#!/usr/bin/env python3
"""Tiny 3DS scenes written byte by byte, for the tests and for docs/FORMAT.md's worked examples.

    python3 python/tests/example_scenes.py NAME OUT.3ds

Each scene is given in the tree's axes (y up) and with its faces' corners in the order the
compiler stores them (p0, p1, p2); the writer turns both back into the 3DS file's order, (x, z, y)
and corners first, third, second. Only the chunks the loader needs are written: the version,
the editor block, material names and triangle meshes with one face-material list each.
"""

from __future__ import annotations

import struct
import sys
from typing import List, NamedTuple, Optional, Sequence, Tuple

Point = Tuple[float, float, float]


class Mesh(NamedTuple):
    name: bytes
    points: Sequence[Point]
    faces: Sequence[Tuple[int, int, int]]
    material: Optional[bytes] = None  # every face of the mesh, or none


def chunk(chunk_id: int, payload: bytes) -> bytes:
    return struct.pack("<HI", chunk_id, 6 + len(payload)) + payload


def mesh_chunk(mesh: Mesh) -> bytes:
    points = struct.pack("<H", len(mesh.points))
    points += b"".join(struct.pack("<3f", x, z, y) for x, y, z in mesh.points)
    faces = struct.pack("<H", len(mesh.faces))
    faces += b"".join(struct.pack("<4H", p0, p2, p1, 0) for p0, p1, p2 in mesh.faces)
    if mesh.material is not None:
        listed = struct.pack(f"<H{len(mesh.faces)}H", len(mesh.faces), *range(len(mesh.faces)))
        faces += chunk(0x4130, mesh.material + b"\0" + listed)
    trimesh = chunk(0x4100, chunk(0x4110, points) + chunk(0x4120, faces))
    return chunk(0x4000, mesh.name + b"\0" + trimesh)


def scene_bytes(meshes: Sequence[Mesh], materials: Sequence[bytes] = ()) -> bytes:
    editor = chunk(0x3D3E, struct.pack("<I", 3))
    editor += b"".join(chunk(0xAFFF, chunk(0xA000, name + b"\0")) for name in materials)
    editor += b"".join(mesh_chunk(mesh) for mesh in meshes)
    return chunk(0x4D4D, chunk(0x0002, struct.pack("<I", 3)) + chunk(0x3D3D, editor))


def stray_piece() -> bytes:
    """A floor (y = 0, facing up), a wall (x = 0, facing +x) above it and a face in z = 0 whose
    corners lie at x = -3/2048 (behind the wall's plane), x = -1/2048 (inside its band) and
    x = 2045/2048 (in front). The root splits on the floor; its front child on the wall, which
    cuts the third face with the vertex made on the edge from the first corner to the second
    extrapolated to (0, -0.5, 0): half a unit below the floor, in the floor's front subtree."""
    floor = Mesh(b"Floor", [(1, 0, -1), (3, 0, -1), (2, 0, 1)], [(0, 1, 2)])
    wall = Mesh(b"Wall", [(0, 2, -1), (0, 2, 1), (0, 4, 0)], [(0, 1, 2)])
    face = Mesh(b"Face", [(-3 / 2048, 1, 0), (-1 / 2048, 0, 0), (2045 / 2048, 1, 0)], [(0, 1, 2)])
    return scene_bytes([floor, wall, face])


def material_names() -> bytes:
    """One triangle whose material's name holds the bytes the JSON views escape: a tab, quotes,
    a backslash, a Latin-1 letter and an escape sequence."""
    name = b'Tab\t"q"\\ caf\xe9 \x1b[0m'
    return scene_bytes([Mesh(b"Tri", [(0, 0, 0), (0, 0, 1), (1, 0, 0)], [(0, 1, 2)], name)], [name])


def empty() -> bytes:
    """A scene without meshes: its tree is the root record alone."""
    return scene_bytes([])


SCENES = {"stray-piece": stray_piece, "material-names": material_names, "empty": empty}


def main(argv: List[str]) -> int:
    if len(argv) != 3 or argv[1] not in SCENES:
        print(f"usage: example_scenes.py {'|'.join(SCENES)} OUT.3ds", file=sys.stderr)
        return 2
    with open(argv[2], "wb") as out:
        out.write(SCENES[argv[1]]())
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
