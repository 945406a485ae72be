// A splitting plane as a polygon within its node's cell: the plane cut by the scene's box and by
// the half-spaces its ancestors' planes leave to the node. Everything in double.
#pragma once

#include <array>
#include <span>
#include <vector>

namespace norvane::dump {

using Point3 = std::array<double, 3>;

struct Box {
    Point3 lo{0, 0, 0}, hi{0, 0, 0};
};

// The side of an ancestor's plane (a, b, c, d) that a node lies on: the front child's cell holds
// the points with a*x + b*y + c*z + d >= -tolerance, the back child's those with <= tolerance.
struct HalfSpace {
    std::array<double, 4> plane{0, 0, 0, 0};
    bool front = true;
};

// The convex polygon, corners in order around it, where the plane (a, b, c, d) meets the box and
// every half-space; empty when they do not meet or the plane has no finite normal. Points within
// `tolerance` of a half-space's plane count as inside it (the compiler's 0.001 band).
std::vector<Point3> planeInCell(const std::array<double, 4>& plane, const Box& box, std::span<const HalfSpace> cell,
                                double tolerance);

} // namespace norvane::dump
