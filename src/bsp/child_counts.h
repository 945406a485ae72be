// A child's candidate counts derived from its parent's, for deep trees that peel a few faces
// off a large node at every level.
#pragma once

#include <vector>

#include "bsp/bsp_tree.h"
#include "bsp/face_origin.h"
#include "bsp/side_tally.h"

namespace norvane {

// `child` is one child's list as the partition made it, and origin[k] says where child[k] came
// from in `parent`. A face that went on whole sees the same faces as at its parent except those
// that went elsewhere and the pieces that came, so its exact counts follow from its parent's by
// classifying only those; a piece, which keeps its face's plane, likewise from its face's.
// Returns the child's counts, handed down (unknown where the parent's were), or empty counts
// when too many faces moved for this to beat counting afresh.
NodeCounts deriveChildCounts(const std::vector<BspFace>& parent, const NodeCounts& parentCounts,
                             const std::vector<BspFace>& child, const std::vector<FaceOrigin>& origin,
                             const std::vector<Vertex>& vertices);

// Whether deriveChildCounts would derive anything for such a child, told without classifying:
// a caller that must copy the parent's faces first can skip the copy.
bool mayDeriveChildCounts(std::size_t parentFaces, const NodeCounts& parentCounts, std::size_t childFaces,
                          const std::vector<FaceOrigin>& origin);

} // namespace norvane
