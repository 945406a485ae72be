"""Shared by the tests: where the compiled tools and the real scenes are, running them, and
writing tree files byte by byte."""

from __future__ import annotations

import math
import os
import shutil
import struct
import subprocess
from pathlib import Path
from typing import Dict, Iterable, List, Optional, Sequence, Tuple

REPO = Path(__file__).resolve().parents[2]
BUILD_DIR = Path(os.environ.get("NORVANE_BUILD_DIR", REPO / "build"))
MODELS_DIR = Path(os.environ.get("NORVANE_MODELS_DIR", REPO.parent / "shared" / "models" / "real"))

COMPILER = BUILD_DIR / "src" / "norvane"
DUMP = BUILD_DIR / "tools" / "dump" / "norvane-dump"
SCENE = BUILD_DIR / "tools" / "scene3ds" / "norvane-scene"

# Generated scenes: kind, seed, faces. Small enough to build in a blink; rock is over a
# thousand levels deep, beyond Python's default recursion limit.
GENERATED = [
    ("box", 1, 0),
    ("arena", 2, 3000),
    ("terrain", 3, 2000),
    ("soup", 4, 300),
    ("city", 5, 3000),
    ("rock", 6, 2000),
]


def tools_missing() -> Optional[str]:
    missing = [str(p) for p in (COMPILER, DUMP, SCENE) if not os.access(p, os.X_OK)]
    if missing:
        return "compiled tools not found (" + ", ".join(missing) + "): set NORVANE_BUILD_DIR to a CMake build folder"
    return None


def real_scenes() -> List[Path]:
    return sorted(p for p in MODELS_DIR.glob("*") if p.suffix.lower() == ".3ds")


def compile_scene(scene: Path, folder: Path) -> Path:
    """Compiles a copy of the scene in `folder` with the compiler, unattended; returns the tree file."""
    folder.mkdir(parents=True, exist_ok=True)
    local = folder / scene.name
    shutil.copyfile(scene, local)
    run = subprocess.run(
        [str(COMPILER), scene.name], cwd=folder, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, check=False
    )
    assert run.returncode == 0, f"{scene.name}: the compiler failed:\n{run.stdout.decode('latin-1')[-2000:]}"
    return local.with_suffix(".bsp")


def generate_scene(kind: str, seed: int, faces: int, folder: Path) -> Path:
    folder.mkdir(parents=True, exist_ok=True)
    out = folder / f"{kind}-{seed}.3ds"
    subprocess.run([str(SCENE), kind, "--seed", str(seed), "--faces", str(faces), str(out)], check=True)
    return out


def dump_json(tree_file: Path) -> dict:
    import json

    run = subprocess.run([str(DUMP), "tree", str(tree_file), "--json"], stdout=subprocess.PIPE, check=True)
    # "-0" is a float whose sign counts, not the integer 0.
    return json.loads(run.stdout.decode("utf-8"), parse_int=lambda text: -0.0 if text == "-0" else int(text))


def dump_checks(files: Sequence[Path]) -> Dict[str, str]:
    """`norvane-dump tree FILE --check` for many files in one shell: file name to the message
    after "FILE: " ("ok (N nodes)" or "offset N: MESSAGE")."""
    script = 'for f in "$@"; do "$0" tree "$f" --check; done'
    run = subprocess.run(["sh", "-c", script, str(DUMP)] + [str(f) for f in files], stdout=subprocess.PIPE)
    lines = run.stdout.decode("utf-8", "surrogateescape").splitlines()
    assert len(lines) == len(files), "norvane-dump printed one line per file"
    results: Dict[str, str] = {}
    for f, line in zip(files, lines):
        prefix = f"{f}: "
        assert line.startswith(prefix), line
        results[str(f)] = line[len(prefix) :]
    return results


def f32_bits(value: float) -> int:
    """The bits of a value as a 32-bit float; every NaN as the one quiet NaN."""
    if math.isnan(value):
        return 0x7FC00000
    return struct.unpack("<I", struct.pack("<f", value))[0]


def json_float_bits(value) -> int:
    """The bits of a float as the dump spells it: a number, or "nan", "inf", "-inf"."""
    if isinstance(value, str):
        return {"nan": 0x7FC00000, "inf": 0x7F800000, "-inf": 0xFF800000}[value]
    return f32_bits(float(value))


class TreeBytes:
    """A tree file written field by field, little-endian."""

    def __init__(self, vertices: int, faces: int, materials: Iterable[str] = (), version: int = 50) -> None:
        names = list(materials)
        self.data = bytearray(b"BSP" + struct.pack("<4H", version, vertices, faces, len(names)))
        for name in names:
            self.data += name.encode("latin-1").ljust(256, b"\0")

    def vertex(
        self, x: float, y: float, z: float, u: float = 0, v: float = 0, n: Tuple[float, float, float] = (0, 1, 0)
    ) -> "TreeBytes":
        self.data += struct.pack("<8f", x, y, z, u, v, *n)
        return self

    def node(self, flags: int, plane: Sequence[float], faces: int) -> "TreeBytes":
        self.data += struct.pack("<H4fH", flags, *plane, faces)
        return self

    def face(self, corners: Sequence[int], face_id: int, material: int, plane: Sequence[float]) -> "TreeBytes":
        self.data += struct.pack("<5H4f", *corners, face_id, material, *plane)
        return self

    def bytes(self) -> bytes:
        return bytes(self.data)


def scene_beside(tree_file: Path) -> Path:
    """The scene a tree was compiled from: compile_scene leaves its copy beside the tree."""
    return next(p for p in tree_file.parent.iterdir() if p.suffix.lower() == ".3ds" and p.stem == tree_file.stem)
