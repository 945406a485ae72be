// Faces stored corner by corner, one array per axis, and the tally of such a block against a
// plane in two loops the compiler vectorises: the same double sums rounded to float as
// planeDistance, then each face's side from its three corner distances as classifyCorners
// gives it.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>

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
inline SideTally tallyBlock(const Plane& plane, const CornerBlock& block, float* distance) {
    const std::size_t count = block.count;
    const double a = plane.a, b = plane.b, c = plane.c, d = plane.d;
    for (std::size_t k = 0; k < 3 * count; ++k)
        distance[k] =
            static_cast<float>(((a * double(block.x[k]) + b * double(block.y[k])) + c * double(block.z[k])) + d);
    const float* d0 = distance;
    const float* d1 = distance + count;
    const float* d2 = distance + 2 * count;
    std::int32_t front = 0, back = 0, span = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const std::int32_t f = (d0[i] > planeTolerance) | (d1[i] > planeTolerance) | (d2[i] > planeTolerance);
        // NaN counts as behind: !(d >= -tolerance).
        const std::int32_t r = !(d0[i] >= -planeTolerance) | !(d1[i] >= -planeTolerance) | !(d2[i] >= -planeTolerance);
        front += f & ~r;
        back += r & ~f;
        span += f & r;
    }
    return SideTally{front, back, span};
}

} // namespace norvane
