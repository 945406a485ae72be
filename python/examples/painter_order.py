#!/usr/bin/env python3
"""Prints the faces of a Norvane tree file in painter's order for one eye point.

    python3 painter_order.py scene.bsp X Y Z

One line per face, farthest node first: the node, the face's id and material, whether the eye
is in front of the face's plane, and its three corners. Faces of one node come in file order:
at an interior node they all lie in its plane; inside a leaf the order among them is left to
the renderer (docs/FORMAT.md says how to choose it).
"""

import sys

import norvane_bsp


def main(argv):
    if len(argv) != 5:
        print("usage: " + __doc__.strip().splitlines()[2].strip(), file=sys.stderr)
        return 2
    try:
        tree = norvane_bsp.check(argv[1])
        eye = tuple(float(v) for v in argv[2:5])
    except (OSError, ValueError) as error:  # TreeFileError is a ValueError
        print(f"{argv[1]}: {error}", file=sys.stderr)
        return 1
    for index in tree.back_to_front(eye):
        node = tree.nodes[index]
        for face in node.faces:
            material = "-" if face.material is None else tree.materials[face.material]
            side = "front" if norvane_bsp.in_front(face.plane, eye) else "back"
            corners = " ".join(
                "({:g} {:g} {:g})".format(*(float(v) for v in tree.vertices[corner][:3])) for corner in face.corners
            )
            print(f"node {index} face {face.id} material {material} eye {side}: {corners}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
