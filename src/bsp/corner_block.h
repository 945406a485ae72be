// Faces stored corner by corner, one array per axis, and the tally of such a block against a
// plane: the same double sums rounded to float as planeDistance, then each face's side from its
// three corner distances as classifyCorners gives it, in loops the compiler vectorises.
#pragma once

#include <cstddef>

#include "bsp/classify.h"
#include "bsp/side_tally.h"

namespace norvane {

// Faces in a padded block: a box hierarchy's leaves keep their corners in blocks of this many
// slots per corner, so that their loops run a fixed number of times.
constexpr std::size_t paddedBlockFaces = 32;

// `count` faces: corner k of face i at x[k * stride + i] (and so for y and z). A stride of
// paddedBlockFaces marks a padded block, whose 3 * paddedBlockFaces slots are all readable and
// whose slots past `count` are ignored; otherwise the stride is the count.
struct CornerBlock {
    const float* x;
    const float* y;
    const float* z;
    std::size_t count;
    std::size_t stride;
};

// Which build of the loops tallies: the one for any x86-64 processor, the one for processors
// with 256-bit vectors (each of the same IEEE operations four at a time, no fused multiply-add,
// so the same tally), or the best this processor runs. Tests hold the builds to each other;
// where there is no wider build, all three are the portable one.
enum class VectorBuild { Portable, Wide, Best };

// Adds the block's faces to `tally`: a face is in front when a corner is and none is behind,
// behind in the mirror case, cut when it has corners on both sides, and in the plane otherwise;
// NaN is behind. `distance` is scratch of 3 * stride floats, apart from the corners. (The tally
// is added to in place: returning the three counts packed went through the stack and stalled
// the load that unpacked them.)
void tallyBlock(const Plane& plane, const CornerBlock& block, float* distance, SideTally& tally,
                VectorBuild build = VectorBuild::Best);

} // namespace norvane
