"""The summary of a tree file, line for line as ``norvane-dump tree FILE`` prints it."""

from __future__ import annotations

from collections import Counter
from typing import List

from .model import Tree


def json_string(text: str) -> str:
    """A name quoted as the dump tools quote it: '"' and '\\' escaped, control characters as
    \\u00XX, everything else as it is."""
    out = ['"']
    for ch in text:
        if ch in '"\\':
            out.append("\\" + ch)
        elif ord(ch) < 0x20:
            out.append(f"\\u{ord(ch):04x}")
        else:
            out.append(ch)
    out.append('"')
    return "".join(out)


def summary(path: str, tree: Tree) -> str:
    nodes = tree.nodes
    leaves = sum(1 for n in nodes if n.flags == 0)
    stored = sum(len(n.faces) for n in nodes)
    most_faces = max((len(n.faces) for n in nodes), default=0)
    empty = sum(1 for n in nodes if not n.faces)
    depth = max((n.depth for n in nodes), default=0)
    pieces_by_id = Counter(f.id for n in nodes for f in n.faces)
    split = [(face_id, count) for face_id, count in sorted(pieces_by_id.items()) if count > 1]
    header = tree.header
    lines: List[str] = [
        f"{path}: {tree.size} bytes, version {header.version}",
        f"vertices {header.vertex_count}, initial faces {header.face_count}, materials {header.material_count}",
    ]
    lines += [f"  material {i}: {json_string(name)}" for i, name in enumerate(tree.materials)]
    lines.append(f"nodes {len(nodes)} (interior {len(nodes) - leaves}, leaves {leaves}), depth {depth}")
    per_node = stored / len(nodes) if nodes else 0.0
    lines.append(
        f"faces stored {stored} ({per_node:.2f} per node, at most {most_faces}, {empty} nodes without faces)"
    )
    line = f"split faces {len(split)}, cut into {sum(c for _, c in split)} pieces"
    if split:
        most_id, most_pieces = split[0]
        for face_id, count in split:  # the lowest id among those cut into the most pieces
            if count > most_pieces:
                most_id, most_pieces = face_id, count
        line += f" (most: face {most_id} in {most_pieces} pieces)"
    lines.append(line)
    return "\n".join(lines) + "\n"
