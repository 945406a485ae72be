"""The bulk tables: NumPy arrays when NumPy is importable, lists of tuples otherwise, with the
same values either way."""

from __future__ import annotations

import sys
from collections.abc import Sequence

import norvane_bsp
from support import TreeBytes, f32_bits


def small_tree() -> bytes:
    t = TreeBytes(vertices=3, faces=2, materials=["Stone"])
    t.vertex(0, 0, 0).vertex(1, 0, 0, u=1).vertex(0, 0, 1, v=1, n=(0.25, float("nan"), -0.0))
    t.node(1, (0, 1, 0, -0.5), 1).face((0, 2, 1), 0, 0, (0, 1, 0, -0.5))
    t.node(0, (0, 0, 0, 0), 1).face((0, 1, 2), 1, 0xFFFF, (0, -1, 0, 0.5))
    return t.bytes()


def test_vertex_table_and_face_columns_by_kind(array_mode):
    tree = norvane_bsp.read_bytes(small_tree())
    columns = tree.face_arrays()
    if array_mode == "numpy":
        import numpy

        assert isinstance(tree.vertices, numpy.ndarray)
        assert tree.vertices.dtype == numpy.float32 and tree.vertices.shape == (3, 8)
        assert tree.vertices.flags.writeable
        assert columns.corners.shape == (2, 3) and columns.corners.dtype == numpy.uint16
        assert columns.plane.shape == (2, 4) and columns.plane.dtype == numpy.float32
    else:
        assert "numpy" not in sys.modules or sys.modules["numpy"] is None
        assert isinstance(tree.vertices, Sequence) and all(isinstance(row, tuple) for row in tree.vertices)
        assert tree.vertices[-2] == tree.vertices[1] and tree.vertices[:2] == [tree.vertices[0], tree.vertices[1]]
        assert isinstance(columns.corners, list)
    rows = [[f32_bits(float(v)) for v in row] for row in tree.vertices]
    assert rows[2] == [0, 0, f32_bits(1), 0, f32_bits(1), f32_bits(0.25), 0x7FC00000, 0x80000000]
    assert [int(v) for v in columns.node] == [0, 1]
    assert [[int(c) for c in row] for row in columns.corners] == [[0, 2, 1], [0, 1, 2]]
    assert [int(v) for v in columns.id] == [0, 1]
    assert [int(v) for v in columns.material] == [0, -1]
    assert [[float(v) for v in row] for row in columns.plane] == [[0, 1, 0, -0.5], [0, -1, 0, 0.5]]


def test_empty_tables(array_mode):
    tree = norvane_bsp.read_bytes(TreeBytes(vertices=0, faces=0).node(0, (0, 0, 0, 0), 0).bytes())
    assert len(tree.vertices) == 0
    columns = tree.face_arrays()
    assert all(len(column) == 0 for column in columns)
