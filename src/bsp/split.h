// Cutting a face that crosses a plane into three pieces.
#pragma once

#include <vector>

#include "bsp/bsp_tree.h"

namespace norvane {

// The vertex where the edge from `start` to `end` meets the plane: position and mapping
// coordinates interpolated, the normal interpolated and normalised (the start's normal when
// that has no length). Equal distances give a copy of `start`.
Vertex intersectEdge(const Vertex& start, const Vertex& end, const Plane& plane);

enum class SplitResult { Cut, NoPattern, TooManyVertices };

// Cuts a face that spans the plane into three pieces, appending two new vertices to the tree
// and the pieces to the two lists (with the id, material and plane of the face). NoPattern when
// the corners fit neither cutting pattern; TooManyVertices as soon as the vertex list holds
// more than `maxVertices`.
SplitResult splitFace(BspTree& tree, const Plane& plane, const BspFace& face, std::size_t maxVertices,
                      std::vector<BspFace>& frontList, std::vector<BspFace>& backList);

} // namespace norvane
