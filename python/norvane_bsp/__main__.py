"""python -m norvane_bsp FILE.bsp [--check]: a summary of a tree file, or a check of every rule
of the format. Exit status 0 done, 1 the file is unreadable or broken, 2 wrong usage."""

from __future__ import annotations

import argparse
import signal
import sys
from typing import List, Optional, TextIO

from ._names import shown_file_name
from .errors import TreeFileError
from .parse import read
from .summary import summary

PROG = "python -m norvane_bsp"


def main(argv: Optional[List[str]] = None) -> int:
    # Ctrl+C ends the program as it ends the C++ tools, without a traceback (also while the
    # opening of a FIFO waits for a writer).
    signal.signal(signal.SIGINT, signal.SIG_DFL)
    parser = argparse.ArgumentParser(prog=PROG, description="Summarise or check a Norvane BSP tree file.")
    parser.add_argument("file", help="the .bsp tree file")
    parser.add_argument("--check", action="store_true", help="check every rule of the format")
    args = parser.parse_args(argv)  # exits with 2 on wrong usage
    name = shown_file_name(args.file)
    try:
        tree = read(args.file)
        if args.check:
            tree.check()
        text = f"{name}: ok ({len(tree.nodes)} nodes)\n" if args.check else summary(name, tree)
    except OSError:
        _write(sys.stderr, f"{name}: cannot read the file\n")
        return 1
    except TreeFileError as error:
        _write(sys.stdout if args.check else sys.stderr, f"{name}: offset {error.offset}: {error.message}\n")
        return 1
    except MemoryError:
        _write(sys.stderr, f"{PROG}: out of memory\n")
        return 1
    _write(sys.stdout, text)
    return 0


def _write(stream: TextIO, text: str) -> None:
    # UTF-8 whatever the locale, as the C++ tools write names; file names pass through as given.
    stream.flush()
    data = text.encode("utf-8", "surrogateescape")
    buffer = getattr(stream, "buffer", None)
    if buffer is None:
        stream.write(data.decode("utf-8", "replace"))
    else:
        buffer.write(data)
        buffer.flush()


if __name__ == "__main__":
    sys.exit(main())
