"""Replays a compiled tree's distribution from its scene: every initial face starts at the root,
each node with a plane keeps the faces on it and sends the others to its children, cutting the
spanning ones, exactly as docs/FORMAT.md says. The planes come from the file, so the plane
search is not replayed; everything else (which faces stay, which go where, the cut pieces and
every vertex the cuts made) is compared with the file."""

from __future__ import annotations

import json
import math
import subprocess
from pathlib import Path
from typing import Dict, List, Tuple

import norvane_bsp
import support
from documented import BEHIND, FRONT, ON, Face, FirstEqual, Made, Vertex8, face_side, split
from support import f32_bits as bits


def json_float(value) -> float:
    if isinstance(value, str):
        return {"nan": math.nan, "inf": math.inf, "-inf": -math.inf}[value]
    return float(value)


def scene_json(scene: Path) -> dict:
    run = subprocess.run([str(support.DUMP), "scene", str(scene)], stdout=subprocess.PIPE, check=True)
    return json.loads(run.stdout.decode("utf-8"), parse_int=lambda text: -0.0 if text == "-0" else int(text))


def loaded_count(tree: norvane_bsp.Tree) -> int:
    """The vertices before the first cut: every cut adds two vertices and two face records."""
    records = sum(len(node.faces) for node in tree.nodes)
    return tree.header.vertex_count - (records - tree.header.face_count)


def initial_faces(scene: dict, vertices: List[Vertex8]) -> List[Face]:
    first_equal = FirstEqual(vertices)
    faces: List[Face] = []
    offset = 0
    for mesh in scene["meshes"]:
        for face in mesh["faces"]:
            corners = tuple(first_equal(vertices[offset + c]) for c in face[:3])
            material = None if face[3] == -1 else face[3]
            faces.append(Face(corners, len(faces), material, tuple(json_float(v) for v in face[4:8])))
        offset += len(mesh["vertices"])
    assert offset == len(vertices), "every loaded vertex comes from a mesh's vertex list"
    return faces


class Replay:
    """The replayed tree: `inputs[n]` the faces handed to node n (corners index `vertices`, the
    build's own list), `vertices` every vertex in order, `made` the vertices cuts made."""

    def __init__(self, tree: norvane_bsp.Tree, scene: dict) -> None:
        self.tree = tree
        self.file_vertices: List[Vertex8] = [tuple(float(x) for x in row) for row in tree.vertices]
        self.loaded = loaded_count(tree)
        self.vertices = self.file_vertices[: self.loaded]
        self.made: Dict[int, Made] = {}
        self.inputs: Dict[int, List[Face]] = {}
        self.stored: Dict[int, List[Face]] = {}
        self.children_differ: List[int] = []
        pending: List[Tuple[int, List[Face]]] = [(0, initial_faces(scene, self.vertices))]
        while pending:
            index, faces = pending.pop()
            self.inputs[index] = faces
            front, back = self.distribute(index, faces)
            node = tree.nodes[index]
            if (node.front is not None, node.back is not None) != (bool(front), bool(back)):
                self.children_differ.append(index)
            if node.back is not None:
                pending.append((node.back, back))
            if node.front is not None:
                pending.append((node.front, front))

    def distribute(self, index: int, faces: List[Face]) -> Tuple[List[Face], List[Face]]:
        plane = tuple(self.tree.nodes[index].plane)
        if not any(plane):  # a node without a plane keeps every face
            self.stored[index] = faces
            return [], []
        stored: List[Face] = []
        front: List[Face] = []
        back: List[Face] = []
        for face in faces:
            side = face_side(plane, [self.vertices[c] for c in face.corners])
            if side == ON:
                stored.append(face)
            elif side == FRONT:
                front.append(face)
            elif side == BEHIND:
                back.append(face)
            else:
                pieces_front, pieces_back = split(face, plane, self.vertices, index, self.made)
                front += pieces_front
                back += pieces_back
        self.stored[index] = stored
        return front, back

    def differences(self) -> List[str]:
        """Where the replay and the file disagree: the made vertices bit for bit, and every
        node's face records with their corners named as the file names them."""
        found = [f"node {index}: the replay's children differ from the file's" for index in self.children_differ]
        if len(self.vertices) != len(self.file_vertices):
            found.append(f"{len(self.vertices)} vertices replayed, {len(self.file_vertices)} in the file")
        for i in range(self.loaded, min(len(self.vertices), len(self.file_vertices))):
            if [bits(x) for x in self.vertices[i]] != [bits(x) for x in self.file_vertices[i]]:
                found.append(f"vertex {i}: {self.vertices[i]} replayed, {self.file_vertices[i]} in the file")
        first_equal = FirstEqual(self.vertices)
        for index, node in enumerate(self.tree.nodes):
            replayed = [
                (tuple(first_equal(self.vertices[c]) for c in f.corners), f.id, f.material, [bits(x) for x in f.plane])
                for f in self.stored[index]
            ]
            written = [(f.corners, f.id, f.material, [bits(x) for x in f.plane]) for f in node.faces]
            if replayed != written:
                found.append(f"node {index}: faces {replayed} replayed, {written} in the file")
        return found[:10]
