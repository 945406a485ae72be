// Faces stored corner by corner, one array per axis, and the tally of such a block against a
// plane: the same double sums rounded to float as planeDistance, then each face's side from its
// three corner distances as classifyCorners gives it, in two loops the compiler vectorises.
#pragma once

#include <cstddef>

#include "bsp/classify.h"
#include "bsp/side_tally.h"

namespace norvane {

// A block of `count` faces: corner k of face i at x[k * count + i] (and so for y and z).
struct CornerBlock {
    const float* x;
    const float* y;
    const float* z;
    std::size_t count;
};

// The block's tally: a face is in front when a corner is and none is behind, behind in the
// mirror case, cut when it has corners on both sides, and in the plane otherwise; NaN is
// behind. `distance` is scratch of 3 * count floats.
SideTally tallyBlock(const Plane& plane, const CornerBlock& block, float* distance);

// The two builds tallyBlock chooses between: for any x86-64 processor, and for those with
// 256-bit vectors, where each of the same IEEE operations is done four at a time. They give the
// same tally; tests hold them to it. Where there is no wider build, both are the portable one.
SideTally tallyBlockPortable(const Plane& plane, const CornerBlock& block, float* distance);
SideTally tallyBlockWide(const Plane& plane, const CornerBlock& block, float* distance);

} // namespace norvane
