"""The reader against what a file system and an attacker can hand it: a file past the most a
tree file may hold (the C++ readers' maximum, to the byte), /dev/zero, a FIFO, a folder, memory
that runs out, names that would disturb a terminal, and a large tree, which it holds in a small
multiple of its file's size."""

from __future__ import annotations

import os
import resource
import signal
import struct
import subprocess
import sys
import threading
import tracemalloc
from pathlib import Path

import pytest

import norvane_bsp
import support
from norvane_bsp._names import shown_file_name
from support import TreeBytes

TOO_LARGE = f"the file is larger than {norvane_bsp.MAX_FILE_SIZE} bytes"


def tiny_tree() -> bytes:
    return TreeBytes(vertices=0, faces=0).node(0, (0, 0, 0, 0), 0).bytes()


def sparse(path: Path, head: bytes, size: int) -> Path:
    with open(path, "wb") as f:
        f.write(head)
        f.truncate(size)
    return path


def both_checks(path: Path, cwd: Path = None):
    """(exit status, standard output, standard error) of norvane-dump tree --check and of the
    Python command line, for one file."""
    ours = subprocess.run([sys.executable, "-m", "norvane_bsp", str(path), "--check"], capture_output=True, cwd=cwd)
    theirs = subprocess.run([str(support.DUMP), "tree", str(path), "--check"], capture_output=True, cwd=cwd)
    return (ours.returncode, ours.stdout, ours.stderr), (theirs.returncode, theirs.stdout, theirs.stderr)


def test_the_maximum_is_the_cpp_readers_to_the_byte(tools, tmp_path):
    at_most = sparse(tmp_path / "at-most.bsp", tiny_tree(), norvane_bsp.MAX_FILE_SIZE)
    beyond = sparse(tmp_path / "beyond.bsp", tiny_tree(), norvane_bsp.MAX_FILE_SIZE + 1)
    with pytest.raises(norvane_bsp.TreeFileError) as caught:
        norvane_bsp.read(beyond)
    assert (caught.value.offset, caught.value.message) == (0, TOO_LARGE)
    ours, theirs = both_checks(beyond)
    assert ours == theirs == (1, f"{beyond}: offset 0: {TOO_LARGE}\n".encode(), b"")
    # Exactly the maximum is read, and its zeros are trailing bytes to both readers.
    ours, theirs = both_checks(at_most)
    trailing = norvane_bsp.MAX_FILE_SIZE - len(tiny_tree())
    assert ours == theirs == (1, f"{at_most}: offset {len(tiny_tree())}: {trailing} bytes after the last node record\n".encode(), b"")


def test_dev_zero_a_folder_and_a_fifo(tools, tmp_path):
    with pytest.raises(norvane_bsp.TreeFileError, match=TOO_LARGE):
        norvane_bsp.read("/dev/zero")
    folder = tmp_path / "folder.bsp"
    folder.mkdir()
    with pytest.raises(OSError):
        norvane_bsp.read(folder)
    ours, theirs = both_checks(folder)
    assert ours == theirs == (1, b"", f"{folder}: cannot read the file\n".encode())
    # A FIFO is read as it comes.
    fifo = tmp_path / "tree.fifo"
    os.mkfifo(fifo)
    good = TreeBytes(vertices=1, faces=1).vertex(0, 0, 0).node(0, (0, 0, 0, 0), 1).face((0, 0, 0), 0, 0xFFFF, (0, 1, 0, 0))
    writer = threading.Thread(target=lambda: fifo.write_bytes(good.bytes()))
    writer.start()
    tree = norvane_bsp.check(fifo)
    writer.join()
    assert [f.corners for f in tree.nodes[0].faces] == [(0, 0, 0)]


def test_a_fifo_without_a_writer_ends_on_ctrl_c_without_a_traceback(tools, tmp_path):
    fifo = tmp_path / "nobody.bsp"
    os.mkfifo(fifo)
    run = subprocess.Popen([sys.executable, "-m", "norvane_bsp", str(fifo)], stdout=subprocess.PIPE,
                           stderr=subprocess.PIPE)
    try:
        out, err = run.communicate(timeout=1)
    except subprocess.TimeoutExpired:
        run.send_signal(signal.SIGINT)
        out, err = run.communicate(timeout=10)
    assert run.returncode == -signal.SIGINT
    assert (out, err) == (b"", b"")


def test_memory_that_runs_out_is_the_cpp_readers_verdict(tools, tmp_path):
    big = sparse(tmp_path / "big.bsp", tiny_tree(), 700 << 20)
    limit = 500 << 20

    def limited():
        resource.setrlimit(resource.RLIMIT_AS, (limit, limit))

    ours = subprocess.run([sys.executable, "-m", "norvane_bsp", str(big), "--check"], capture_output=True,
                          preexec_fn=limited)
    theirs = subprocess.run([str(support.DUMP), "tree", str(big), "--check"], capture_output=True, preexec_fn=limited)
    expected = f"{big}: offset 0: the tree does not fit in memory\n".encode()
    assert (ours.returncode, ours.stdout, ours.stderr) == (theirs.returncode, theirs.stdout, theirs.stderr) == (
        1, expected, b"")


def test_names_that_would_disturb_a_terminal_are_quoted_as_the_dump_quotes_them(tools, tmp_path):
    for name in ["two\nlines.bsp", "esc\x1b[2J.bsp", 'quote".bsp', "caf\udce9.bsp", "ok-\u00e9t\u00e9.bsp"]:
        path = tmp_path / name
        path.write_bytes(tiny_tree())
        ours, theirs = both_checks(Path(name), cwd=tmp_path)
        assert ours == theirs, name
        assert ours[1].count(b"\n") == 1, name
    assert shown_file_name("two\nlines") == '"two\\x0Alines"'
    assert shown_file_name("plain caf\u00e9") == "plain caf\u00e9"


def chain(nodes: int, faces: int) -> bytes:
    """A chain of front children, `faces` faces at each node."""
    t = TreeBytes(vertices=3, faces=1).vertex(0, 0, 0).vertex(1, 0, 0).vertex(0, 1, 0)
    record = struct.pack("<5H4f", 0, 1, 2, 0, 0xFFFF, 0, 0, 1, 0) * faces
    body = (struct.pack("<H4fH", 1, 0, 0, 1, 0, faces) + record) * (nodes - 1)
    return t.bytes() + body + struct.pack("<H4fH", 0, 0, 0, 0, 0, faces) + record


@pytest.mark.parametrize("faces", [0, 40])
def test_a_large_tree_is_held_in_a_small_multiple_of_its_size(tmp_path, faces):
    # Empty nodes are the worst case: the most node records a byte.
    data = chain(nodes=300_000 if faces == 0 else 20_000, faces=faces)
    path = tmp_path / "large.bsp"
    path.write_bytes(data)
    del data
    tracemalloc.start()
    tree = norvane_bsp.read(path)
    tree.check()
    assert tree.leaf_at((0, 0, 1)) == len(tree.nodes) - 1
    held = tracemalloc.get_traced_memory()[0]
    tracemalloc.stop()
    size = path.stat().st_size
    assert held <= 2.5 * size, f"{held / size:.2f} times the file's size"
    assert tree.size == size and tree.nodes[-1].depth == len(tree.nodes)
