// The tree built over every face of a scene: one vertex list, the material names, and the
// nodes in pre-order (the build makes them depth first, front subtree before back subtree, so
// creation order is the order in which the tree file lists them).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "norvane/geometry.h"
#include "norvane/tree_format.h"

namespace norvane {

// A face of the tree: corners are indices into BspTree::vertices.
struct BspFace {
    std::int32_t id = 0;        // index of the initial face this face is or was cut from
    std::int32_t material = -1;
    std::uint32_t verts[3] = {0, 0, 0};
    Plane plane;                // the plane of the initial face; pieces keep it
};

// Flag bits of a node: the tree file's own.
constexpr std::uint32_t hasFrontChild = frontChildFlag;
constexpr std::uint32_t hasBackChild = backChildFlag;

struct BspNode {
    std::uint32_t flags = 0;    // 0 for a leaf
    bool hasPlane = false;      // false for a node that never got a splitting plane
    Plane plane;
    std::int32_t front = -1;    // node indices, -1 when the child is absent
    std::int32_t back = -1;
    std::int32_t depth = 0;     // the root is 1
    std::vector<BspFace> storedFaces;
};

struct BspTree {
    // Every mesh vertex in scene order, then the vertices that splits made, in order.
    std::vector<Vertex> vertices;
    std::int32_t faceCount = 0; // the initial face count, before any split
    std::vector<std::string> materialNames;
    std::vector<BspNode> nodes; // nodes[0] is the root
};

} // namespace norvane
