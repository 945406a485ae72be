"""Version 51 of the tree file (32-bit counts and indices): the reader reads it as
`norvane-dump` does, the same tree as version 50 in wider fields, and finds damage at the
offsets `norvane-dump tree --check` gives."""

from __future__ import annotations

import subprocess
from pathlib import Path

import norvane_bsp
import pytest
import support


def batch_tool() -> Path:
    for folder in ("batch", "build"):
        tool = support.BUILD_DIR / "tools" / folder / "norvane-build"
        if tool.exists():
            return tool
    pytest.skip("norvane-build not built")


def compile_as(scene: Path, version: str, out: Path) -> Path:
    subprocess.run([str(batch_tool()), "-q", "--format", version, "--output", str(out), str(scene)], check=True)
    return out


@pytest.fixture(scope="module")
def both(tools, tmp_path_factory):
    folder = tmp_path_factory.mktemp("v51")
    scene = support.generate_scene("city", 3, 1500, folder)
    return compile_as(scene, "50", folder / "narrow.bsp"), compile_as(scene, "51", folder / "wide.bsp")


def test_the_same_tree_in_wider_fields(both):
    narrow, wide = (norvane_bsp.read(path) for path in both)
    assert (narrow.header.version, wide.header.version) == (50, 51)
    narrow.check()
    wide.check()
    assert len(narrow.nodes) == len(wide.nodes)
    for a, b in zip(narrow.nodes, wide.nodes):
        assert (a.flags, a.depth, a.path) == (b.flags, b.depth, b.path)
        assert [(f.corners, f.id, f.material) for f in a.faces] == [(f.corners, f.id, f.material) for f in b.faces]


def test_version51_matches_the_dump(both):
    wide = norvane_bsp.read(both[1])
    expected = support.dump_json(both[1])
    assert expected["header"]["version"] == 51
    faces = [f for node in wide.nodes for f in node.faces]
    want = [f for node in expected["nodes"] for f in node["faces"]]
    assert [(list(f.corners), f.id, f.material) for f in faces] == [(w["corners"], w["id"], w["material"]) for w in want]


def test_damage_is_found_where_the_dump_finds_it(both, tmp_path):
    data = bytearray(both[1].read_bytes())
    tree = norvane_bsp.read_bytes(bytes(data))
    node = next(n for n in tree.nodes if n.faces)
    at = node.offset + 22 + 4  # the first face's second corner: 32-bit fields after a 22-byte record
    data[at + 3] = 0x7F
    damaged = tmp_path / "damaged.bsp"
    damaged.write_bytes(bytes(data))
    with pytest.raises(norvane_bsp.TreeFileError) as raised:
        norvane_bsp.read(damaged).check()
    assert raised.value.offset == at
    assert support.dump_checks([damaged])[str(damaged)] == f"offset {at}: {raised.value.message}"
    with pytest.raises(norvane_bsp.TreeFileError, match="17-byte header of version 51"):
        norvane_bsp.read_bytes(bytes(data[:14]))
