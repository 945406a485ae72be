"""File names on lines for a person, shown as norvane-dump shows them: as given, unless a
terminal would act on the name or could not show it (a control byte, a double quote, a byte
that is not part of a UTF-8 character, a C1 control); then quoted, with '"' and '\\' escaped by
a backslash and each such byte as \\xHH."""

from __future__ import annotations

import os
from typing import List


def _character_length(data: bytes, i: int) -> int:
    """The length of the whole, shown UTF-8 character at ``i``, or 0."""
    c = data[i]
    length = 2 if 0xC2 <= c <= 0xDF else 3 if 0xE0 <= c <= 0xEF else 4 if 0xF0 <= c <= 0xF4 else 0
    if length == 0 or i + length > len(data) or any(b & 0xC0 != 0x80 for b in data[i + 1 : i + length]):
        return 0
    second = data[i + 1]
    if (c == 0xE0 and second < 0xA0) or (c == 0xF0 and second < 0x90):  # spelled too long
        return 0
    if (c == 0xED and second >= 0xA0) or (c == 0xF4 and second >= 0x90):  # a surrogate, too large
        return 0
    if c == 0xC2 and second < 0xA0:  # a C1 control
        return 0
    return length


def _plain_bytes(data: bytes) -> List[bool]:
    plain = [False] * len(data)
    i = 0
    while i < len(data):
        c = data[i]
        if c < 0x80:
            plain[i] = c >= 0x20 and c != 0x7F and c != ord('"')
            i += 1
            continue
        length = _character_length(data, i)
        for k in range(length):
            plain[i + k] = True
        i += length or 1
    return plain


def shown_file_name(name: str) -> str:
    """The name as norvane-dump shows it on its lines (a str that holds the same bytes, any that
    are not UTF-8 as surrogates)."""
    data = os.fsencode(name)
    plain = _plain_bytes(data)
    if all(plain):
        return name
    out = bytearray(b'"')
    for byte, keep in zip(data, plain):
        if byte in b'"\\':
            out += b"\\" + bytes([byte])
        elif keep:
            out.append(byte)
        else:
            out += f"\\x{byte:02X}".encode()
    out += b'"'
    return out.decode("utf-8", "surrogateescape")
