// The painter's image against the depth buffer's, pixel by pixel: the proof that walking the tree
// back to front paints nearer faces over farther ones. Both images cover the same pixels (the
// same faces are filled by the same rules); a pixel where they show different faces is a fault
// of the order unless it is one of the differences that no order can avoid:
// - in one plane: the two faces are stored at one node and lie in one plane, so neither is in
//   front (the depth buffer picks by rounding);
// - touching: the two faces meet at that pixel within the tree's tolerance (a shared edge, the
//   T-junction a cut leaves, faces crossing inside the 0.001 band), where the depth buffer too
//   decides by rounding;
// - stray piece: one of the faces is a cut piece (its id has several face records) that reaches
//   past the plane separating the two faces' nodes by more than the tolerance. Cutting a face
//   with one corner inside the tolerance band extrapolates the new vertex along the edge beyond
//   that corner, so a piece can stick out of its face and out of its node's cell; no walk of the
//   tree can place it right. A whole face outside its cell is not excused;
// - unseparated: both faces belong to leaves the build left unseparated, which have no order
//   that is right for every eye.
#pragma once

#include <cstdint>

#include "view/raster.h"
#include "view/render.h"

namespace norvane::view {

struct Agreement {
    std::int64_t covered = 0;    // pixels that show a face
    std::int64_t same = 0;       // the same face in both images
    std::int64_t inOnePlane = 0; // the differences above, by kind
    std::int64_t touching = 0;
    std::int64_t strayPiece = 0;
    std::int64_t unseparated = 0;
    std::int64_t wrong = 0; // everything else: the painter drew a farther face over a nearer one
    // The first wrong pixel in reading order, and the faces the two images show there.
    int wrongX = -1, wrongY = -1;
    FaceRef wrongPainter, wrongDepth;

    // Percent of covered pixels that show the same face (100 for an empty image).
    double samePercent() const;
};

Agreement compareFrames(const PreparedTree& tree, const RenderSettings& settings, const Frame& painter,
                        const Frame& depth);

} // namespace norvane::view
