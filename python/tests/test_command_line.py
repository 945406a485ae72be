"""`python -m norvane_bsp` prints what `norvane-dump tree` prints, with the same exit status,
and the example script lists every face once in painter's order."""

from __future__ import annotations

import subprocess
import sys
from pathlib import Path

import norvane_bsp
import support

EXAMPLE = Path(__file__).resolve().parents[1] / "examples" / "painter_order.py"


def run(*args, cwd=None) -> subprocess.CompletedProcess:
    return subprocess.run(list(args), stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd)


def python_tool(*args) -> subprocess.CompletedProcess:
    return run(sys.executable, "-m", "norvane_bsp", *args)


def test_summary_and_check_match_the_dump(tree_file):
    for extra in ([], ["--check"]):
        ours = python_tool(str(tree_file), *extra)
        theirs = run(str(support.DUMP), "tree", str(tree_file), *extra)
        assert (ours.returncode, ours.stdout) == (theirs.returncode, theirs.stdout) == (0, theirs.stdout)


def test_broken_files_and_usage(tools, tmp_path):
    good = support.TreeBytes(vertices=1, faces=1, materials=["Ré \"q\""]).vertex(0, 0, 0)
    good.node(0, (0, 0, 0, 0), 1).face((0, 0, 0), 0, 0, (0, 1, 0, 0))
    (tmp_path / "good.bsp").write_bytes(good.bytes())
    (tmp_path / "short.bsp").write_bytes(good.bytes()[:-3])
    (tmp_path / "version.bsp").write_bytes(b"BSP\x31" + good.bytes()[4:])
    for name in ("good.bsp", "short.bsp", "version.bsp", "missing.bsp"):
        for extra in ([], ["--check"]):
            ours = run(sys.executable, "-m", "norvane_bsp", name, *extra, cwd=tmp_path)
            theirs = run(str(support.DUMP), "tree", name, *extra, cwd=tmp_path)
            assert (ours.returncode, ours.stdout, ours.stderr) == (theirs.returncode, theirs.stdout, theirs.stderr), (
                name,
                extra,
            )
    assert python_tool().returncode == 2
    assert python_tool("a.bsp", "--json").returncode == 2


def test_painter_order_example(tools, tmp_path, tree_cache):
    tree_file = tree_cache.get("arena-2")
    tree = norvane_bsp.read(tree_file)
    example = run(sys.executable, str(EXAMPLE), str(tree_file), "3", "1.5", "-2")
    assert example.returncode == 0, example.stderr
    lines = example.stdout.decode().splitlines()
    assert len(lines) == sum(len(n.faces) for n in tree.nodes)
    nodes = [int(line.split()[1]) for line in lines]
    drawn = list(dict.fromkeys(nodes))  # node order, each once
    assert drawn == [i for i in tree.back_to_front((3, 1.5, -2)) if tree.nodes[i].faces]
    assert run(sys.executable, str(EXAMPLE), str(tree_file)).returncode == 2
    assert run(sys.executable, str(EXAMPLE), str(tmp_path / "none.bsp"), "0", "0", "0").returncode == 1
