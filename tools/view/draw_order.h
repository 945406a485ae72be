// The painter's order of a tree's faces from an eye point: the library's back-to-front walk of
// the nodes, and within each node an order of its faces that paints them right.
//
// The faces of an interior node lie in its plane and cannot hide one another. A leaf's faces
// cannot cross one another's planes, and either every face lies behind or on every other face's
// plane (a convex group facing out: the faces turned away from the eye are drawn first) or every
// face lies in front of or on it (a convex group facing in: the faces turned towards the eye are
// drawn first). Both follow from the occlusion test: drawing X before Y is wrong only when X
// reaches the eye's side of Y's plane and Y the far side of X's. A leaf the build left
// unseparated has no such order for every eye; its faces are drawn farthest first by the
// distance of their centres, which is wrong where faces of very different sizes overlap or where
// faces cross.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include <norvane/tree_file.h>

#include "view/tree_geometry.h"
#include "view/view.h"

namespace norvane::view {

enum class NodeKind : std::uint8_t {
    InPlane,     // an interior node, or a leaf whose faces all lie on one of their planes: any order
    AllBehind,   // a leaf whose faces lie behind or on one another's planes
    AllInFront,  // a leaf whose faces lie in front of or on one another's planes
    Unseparated, // a leaf with faces on both sides of one another's planes
};

// The kind of every node, in file order. Only leaves are examined: the format places an interior
// node's faces in its plane. Faces that draw nothing (see isDrawable) are left out. A leaf of n
// faces costs up to twice its distinct planes times its distinct corners of side tests.
std::vector<NodeKind> classifyNodes(const TreeFile& file);
NodeKind classifyLeaf(const TreeFile& file, const TreeFileNode& leaf);

// Side tests counted against a limit.
struct StepBudget {
    std::uint64_t left = UINT64_MAX;
    // False, leaving nothing, when `steps` are more than are left.
    bool spend(std::uint64_t steps) {
        if (steps > left) {
            left = 0;
            return false;
        }
        left -= steps;
        return true;
    }
};

// The same within a budget of side tests: nothing when the budget runs out first.
std::optional<std::vector<NodeKind>> classifyNodes(const TreeFile& file, StepBudget& budget);
std::optional<NodeKind> classifyLeaf(const TreeFile& file, const TreeFileNode& leaf, StepBudget& budget);

// The drawable faces of one node, appended in the order that paints them right for this eye
// (`view.eye`, and walkEye(view) for the side tests).
void appendNodeFaces(const TreeFile& file, std::int32_t node, NodeKind kind, const View& view,
                     std::vector<FaceRef>& out);

// Every drawable face, farthest first: the nodes by backToFront, each node's faces as above.
std::vector<FaceRef> paintersOrder(const TreeFile& file, const std::vector<NodeKind>& kinds, const View& view);

} // namespace norvane::view
