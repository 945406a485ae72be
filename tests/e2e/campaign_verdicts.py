#!/usr/bin/python3
"""Prints the Python reader's verdict on every file of a folder, one line a file in name order:
"NAME\tok (N nodes)" or "NAME\toffset N: MESSAGE", as norvane-dump tree --check words it.

usage: campaign_verdicts.py PYTHON_SOURCE_FOLDER TREE_FOLDER
"""
import os
import sys

sys.dont_write_bytecode = True
sys.path.insert(0, sys.argv[1])
import norvane_bsp  # noqa: E402

folder = sys.argv[2]
out = []
for name in sorted(os.listdir(folder)):
    try:
        tree = norvane_bsp.check(os.path.join(folder, name))
        verdict = f"ok ({len(tree.nodes)} nodes)"
    except norvane_bsp.TreeFileError as error:
        verdict = f"offset {error.offset}: {error.message}"
    out.append(f"{name}\t{verdict}\n")
sys.stdout.write("".join(out))
