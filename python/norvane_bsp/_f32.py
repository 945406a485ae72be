"""32-bit float rounding with the C conversion's rules, for the plane-side test."""

from __future__ import annotations

import math
import struct

_F32 = struct.Struct("<f")


def to_f32(value: float) -> float:
    """Rounds a double to the nearest 32-bit float, as a C cast does (overflow gives an infinity)."""
    try:
        return _F32.unpack(_F32.pack(value))[0]
    except OverflowError:  # struct refuses what C rounds to an infinity
        return math.copysign(math.inf, value)


# The tolerance of the side test, held as a 32-bit float.
TOLERANCE = to_f32(0.001)
