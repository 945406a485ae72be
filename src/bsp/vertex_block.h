// Faces kept as the distinct vertices of a leaf and one bit mask per face naming its corners
// among them. Meshes share vertices, so a leaf of 32 faces holds some 20 to 50 vertices instead
// of 96 corners, and a plane's distance is taken once per vertex. The tally is the corner
// block's, face for face: each vertex's distance as planeDistance gives it, a face in front when
// a corner is and none is behind, behind in the mirror case, cut with corners on both sides.
#pragma once

#include <cstddef>
#include <cstdint>

#include "bsp/corner_block.h"

namespace norvane {

// A leaf keeps its vertices this way when it has this many at most; its masks are 64 bits.
constexpr std::size_t maxBlockVertices = 64;
// Vertex slots come in multiples of this, so the distance loop has no remainder.
constexpr std::size_t vertexBlockStep = 4;

struct VertexBlock {
    const double* x; // `slots` vertices per axis; the slots past the leaf's vertices are ignored
    const double* y;
    const double* z;
    std::size_t slots; // a multiple of vertexBlockStep, at most maxBlockVertices
    // paddedBlockFaces masks: bit k is set when vertex k is a corner of the face; a mask of 0
    // (a slot past the leaf's faces) counts nowhere.
    const std::uint64_t* masks;
    // The same masks in 32 bits when every vertex fits them (slots at most 32), else null: the
    // wide build then tests eight faces at a time instead of four.
    const std::uint32_t* narrowMasks = nullptr;
};

// Vertex blocks of at most this many slots also keep their masks in 32 bits.
constexpr std::size_t narrowBlockVertices = 32;

// Adds the block's faces to `tally`, on the build of the loops that `build` names.
void tallyVertexBlock(const Plane& plane, const VertexBlock& block, SideTally& tally,
                      VectorBuild build = VectorBuild::Best);

} // namespace norvane
