"""The one error a tree file can raise."""

from __future__ import annotations


class TreeFileError(ValueError):
    """A tree file that does not parse or breaks a rule of the format.

    ``offset`` is the byte offset of the problem in the file and ``message`` its description,
    the same pair that ``norvane-dump tree FILE --check`` prints as ``FILE: offset N: MESSAGE``.
    """

    def __init__(self, offset: int, message: str) -> None:
        super().__init__(f"offset {offset}: {message}")
        self.offset = offset
        self.message = message
