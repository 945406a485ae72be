"""Fixtures: trees compiled from the real scenes and from generated ones, and the two ways
the reader can hand out its tables (NumPy arrays or lists).

A test that takes `tree_file` runs once per real scene and once per generated scene. Without
the real scenes it runs once in their place and skips, saying where they were looked for."""

from __future__ import annotations

import os
import sys
from pathlib import Path
from typing import Dict

import pytest

import support

NO_REAL_SCENES = "real-scenes-missing"


def tree_names():
    real = [scene.name for scene in support.real_scenes()] or [NO_REAL_SCENES]
    return real + [f"{kind}-{seed}" for kind, seed, _ in support.GENERATED]


def pytest_generate_tests(metafunc):
    if "tree_name" in metafunc.fixturenames:
        metafunc.parametrize("tree_name", tree_names())


@pytest.fixture(scope="session")
def tools() -> None:
    """Skips without the compiled tools, unless NORVANE_BUILD_DIR named a folder that lacks them."""
    reason = support.tools_missing()
    if reason and "NORVANE_BUILD_DIR" in os.environ:
        pytest.fail(reason)
    if reason:
        pytest.skip(reason)


class TreeCache:
    """Compiles each scene once per session, when a test first needs it."""

    def __init__(self, folder: Path) -> None:
        self.folder = folder
        self.trees: Dict[str, Path] = {}

    def get(self, name: str) -> Path:
        if name not in self.trees:
            generated = {f"{kind}-{seed}": (kind, seed, faces) for kind, seed, faces in support.GENERATED}
            if name in generated:
                scene = support.generate_scene(*generated[name], self.folder / "scenes")
            else:
                scene = support.MODELS_DIR / name
            self.trees[name] = support.compile_scene(scene, self.folder / name)
        return self.trees[name]


@pytest.fixture(scope="session")
def tree_cache(tools, tmp_path_factory) -> TreeCache:
    return TreeCache(tmp_path_factory.mktemp("trees"))


@pytest.fixture
def tree_file(tree_name, tree_cache) -> Path:
    if tree_name == NO_REAL_SCENES:
        pytest.skip(f"real scenes not found in {support.MODELS_DIR} (set NORVANE_MODELS_DIR)")
    return tree_cache.get(tree_name)


@pytest.fixture(scope="session")
def replay_of(tree_cache):
    """A function from a compiled tree to its replay (tree_replay.Replay), made once a session."""
    import norvane_bsp
    from tree_replay import Replay, scene_json

    replays: Dict[Path, Replay] = {}

    def get(tree_file: Path) -> Replay:
        if tree_file not in replays:
            replays[tree_file] = Replay(norvane_bsp.read(tree_file), scene_json(support.scene_beside(tree_file)))
        return replays[tree_file]

    return get


@pytest.fixture
def real_tree(tree_cache):
    """A function from a real scene's file name to its compiled tree; skips without the scenes."""

    def get(name: str) -> Path:
        if not (support.MODELS_DIR / name).is_file():
            pytest.skip(f"real scenes not found in {support.MODELS_DIR} (set NORVANE_MODELS_DIR)")
        return tree_cache.get(name)

    return get


@pytest.fixture(params=["numpy", "lists"])
def array_mode(request, monkeypatch) -> str:
    """Runs a test once with NumPy and once with NumPy hidden, so both table kinds are used."""
    if request.param == "numpy":
        pytest.importorskip("numpy", reason="NumPy is not installed: the NumPy tables are not tested")
    else:
        monkeypatch.setitem(sys.modules, "numpy", None)  # `import numpy` now raises ImportError
    return request.param


def pytest_report_header(config):
    import norvane_bsp

    return f"norvane_bsp {norvane_bsp.__version__} from {Path(norvane_bsp.__file__).parent}"


def pytest_sessionstart(session):
    # scripts/python-test.sh tests the installed package, never the source tree beside the tests.
    import norvane_bsp

    source = Path(__file__).resolve().parents[1] / "norvane_bsp"
    if os.environ.get("NORVANE_BSP_INSTALLED") and Path(norvane_bsp.__file__).resolve().parent == source:
        pytest.exit(f"norvane_bsp was imported from the source tree {source}, not the installed package", 2)
