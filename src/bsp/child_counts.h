// A child's candidate counts derived from its parent's, for deep trees that peel a few faces
// off a large node at every level.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/bsp_tree.h"
#include "bsp/plane_choice.h"

namespace norvane {

// `child` is one child's list as the partition made it. origin[k] is the index in `parent` of
// the face child[k] is; for a piece of a cut face it is -2 - (the index of that face), or -1
// when not known. A face that went on whole sees the same faces as at its parent except those
// that went elsewhere and the pieces that came, so its exact counts follow from its parent's by
// classifying only those; a piece, which keeps its face's plane, likewise from its face's.
// Returns the child's counts (unknown where the parent's were), or an empty list when too many
// faces moved for this to beat counting afresh.
NodeCounts deriveChildCounts(const std::vector<BspFace>& parent, const NodeCounts& parentCounts,
                             const std::vector<BspFace>& child, const std::vector<std::int32_t>& origin,
                             const std::vector<Vertex>& vertices);

} // namespace norvane
