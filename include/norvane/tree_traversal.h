// Walking a tree file's nodes: pre-order, back to front and front to back from an eye point,
// and the node whose cell holds a point. No walk recurses, so trees of any depth are safe.
//
// The side of a plane (a, b, c, d) that a point (x, y, z) lies on is
// s = float(((a*x + b*y) + c*z) + d), evaluated in double and rounded to float; the point is in
// front when s > 0.001f and behind otherwise (a NaN counts as behind).
//
// Every function takes a TreeFile as readTreeFile fills it: the children of a node come after
// it in `nodes`. Node indices are positions in TreeFile::nodes.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "norvane/geometry.h"
#include "norvane/tree_file.h"

namespace norvane {

// The tolerance of the front test.
inline constexpr float frontTolerance = 0.001f;

// float(((a*x + b*y) + c*z) + d), summed in double in that order.
float planeSide(const Plane& plane, const Point3& point);

// planeSide(plane, point) > frontTolerance.
bool isInFront(const Plane& plane, const Point3& point);

// Every node once, parents before children, the front subtree before the back subtree: for a
// file that was read, 0, 1, ..., nodes.size() - 1.
std::vector<std::int32_t> preOrder(const TreeFile& file);

// Every node once, farthest from the eye first (the painter's order): at a node whose plane has
// the eye in front, the back subtree, then the node, then the front subtree; at any other node,
// the front subtree, the node, the back subtree.
std::vector<std::int32_t> backToFront(const TreeFile& file, const Point3& eye);

// The exact reverse of backToFront: nearest first.
std::vector<std::int32_t> frontToBack(const TreeFile& file, const Point3& eye);

// Called with each node index in turn; returning false ends the walk early.
using NodeVisitor = std::function<bool(std::int32_t node)>;

void visitBackToFront(const TreeFile& file, const Point3& eye, const NodeVisitor& visit);
void visitFrontToBack(const TreeFile& file, const Point3& eye, const NodeVisitor& visit);

// The node whose cell holds the point: from the root, step to the front child when the point is
// in front of the node's plane and to the back child otherwise, and stop at the node that has
// no child on that side (a leaf, or an interior node whose cell on that side is empty).
// -1 for a file without nodes.
std::int32_t leafAt(const TreeFile& file, const Point3& point);

} // namespace norvane
