"""docs/FORMAT.md's examples are the tools' own output: every block marked `<!-- checked -->`
(the commands in a `sh` block, then the block of what they print) is run and compared byte for
byte, and the worked examples' numbers are what the compiler writes."""

from __future__ import annotations

import os
import subprocess
import sys
from pathlib import Path
from typing import List, NamedTuple

import norvane_bsp
import pytest
import support
from documented import TOLERANCE, Face, distance, eye_in_front, leaf_kind, leaf_order, wrong_before

DOCUMENT = support.REPO / "docs" / "FORMAT.md"
MARKER = "<!-- checked -->"


class CheckedBlock(NamedTuple):
    line: int
    commands: str
    output: str


def fenced_blocks(lines: List[str], start: int, count: int):
    """The next `count` fenced blocks from line `start`: (info string, text, line after)."""
    at = start
    for _ in range(count):
        while not lines[at].startswith("```"):
            assert not lines[at].strip(), f"line {at + 1}: a fenced block follows the marker"
            at += 1
        info, end = lines[at][3:].strip(), lines.index("```", at + 1)
        yield info, "".join(line + "\n" for line in lines[at + 1 : end]), end + 1
        at = end + 1


def checked_blocks() -> List[CheckedBlock]:
    lines = DOCUMENT.read_text(encoding="utf-8").split("\n")
    found = []
    for number, line in enumerate(lines):
        if line.strip() == MARKER:
            (info, commands, after), (_, output, _) = fenced_blocks(lines, number + 1, 2)
            assert info == "sh", f"line {number + 1}: the commands come first, in a sh block"
            found.append(CheckedBlock(number + 1, commands, output))
    return found


def test_the_document_has_checked_blocks():
    # The stray piece, the box's leaf order, the empty tree and the escaped names.
    assert len(checked_blocks()) >= 4


@pytest.mark.parametrize("block", checked_blocks(), ids=lambda block: f"line {block.line}")
def test_checked_block_prints_what_the_document_shows(block, tools, tmp_path):
    # The commands run as from the repository's root, with the tools on PATH and python3 the
    # interpreter of the tests; whatever they write lands in a folder of their own.
    (tmp_path / "python").symlink_to(support.REPO / "python")
    bin_dir = tmp_path / "bin"
    bin_dir.mkdir()
    (bin_dir / "python3").symlink_to(sys.executable)
    tool_dirs = [bin_dir] + [tool.parent for tool in (support.COMPILER, support.DUMP, support.SCENE)]
    path = os.pathsep.join([str(d) for d in tool_dirs] + [os.environ.get("PATH", "")])
    run = subprocess.run(
        ["sh", "-c", block.commands],
        cwd=tmp_path,
        env={**os.environ, "PATH": path},
        stdin=subprocess.DEVNULL,
        stdout=subprocess.PIPE,
        timeout=120,
    )
    assert run.stdout.decode("utf-8") == block.output


def compile_example(name: str, folder: Path) -> Path:
    scene = folder / f"{name}.3ds"
    subprocess.run([sys.executable, str(Path(__file__).with_name("example_scenes.py")), name, str(scene)], check=True)
    return support.compile_scene(scene, folder / "tree")


def test_the_stray_piece_example(tools, tmp_path, replay_of):
    replay = replay_of(compile_example("stray-piece", tmp_path))
    tree = replay.tree
    assert (replay.loaded, len(replay.vertices)) == (9, 11)
    n1, n2 = replay.made[9], replay.made[10]
    assert (n1.start, n1.end, n1.t, n1.node) == (6, 7, 1.5, 1)  # from b to o, half an edge beyond o
    assert (n2.start, n2.end, n2.t, n2.node) == (8, 6, 2045 / 2048, 1)  # from f to b, on the edge
    assert (replay.vertices[9][:3], replay.vertices[10][:3]) == ((0, -0.5, 0), (0, 1, 0))
    assert [node.path for node in tree.nodes] == ["", "F", "FF", "FB"]
    pieces = [[face.corners for face in node.faces] for node in tree.nodes[2:]]
    assert pieces == [[(9, 7, 10), (7, 8, 10)], [(9, 10, 6)]]
    assert distance(tree.nodes[0].plane, replay.vertices[9]) == -0.5  # below the floor, in its front subtree


def test_the_box_seen_from_inside_and_from_outside(tools, tree_cache):
    tree = norvane_bsp.read(tree_cache.get("box-1"))
    vertices = [tuple(float(x) for x in row) for row in tree.vertices]
    faces = [Face(f.corners, f.id, f.material, tuple(f.plane)) for f in tree.nodes[0].faces]
    assert leaf_kind(faces, vertices) == "outward"

    inside = (0.0, 0.0, 0.0)
    assert not any(eye_in_front(face.plane, inside) for face in faces)
    for x in faces:
        for y in faces:
            if x is not y:
                if x.plane != y.plane:
                    # x lies on the eye's side of y's plane (behind it), yet neither order is wrong.
                    assert any(distance(y.plane, vertices[c]) < -TOLERANCE for c in x.corners)
                assert not wrong_before(x, y, vertices, inside)

    outside = (3.0, 2.0, -4.0)
    assert [face.id for face in faces if eye_in_front(face.plane, outside)] == [2, 3, 4, 5, 10, 11]
    order = leaf_order("outward", faces, outside)
    assert [faces[i].id for i in order] == [0, 1, 6, 7, 8, 9, 2, 3, 4, 5, 10, 11]
    pairs = [(a, b) for k, a in enumerate(order) for b in order[k + 1 :]]
    assert not any(wrong_before(faces[a], faces[b], vertices, outside) for a, b in pairs)
    assert wrong_before(faces[4], faces[0], vertices, outside)  # F before N would paint face 0 over face 4


def test_the_rock_has_a_node_with_a_plane_and_no_child(tools, tmp_path):
    scene = support.generate_scene("rock", 1, 0, tmp_path)
    tree = norvane_bsp.read(support.compile_scene(scene, tmp_path / "tree"))
    kept = [node for node in tree.nodes if node.flags == 0 and any(node.plane)]
    assert [len(node.faces) for node in kept] == [5]
