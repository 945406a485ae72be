#include "norvane/tree_traversal.h"

#include <cassert>

namespace norvane {
namespace {

// The child on one side, or -1 when it is absent. Children always come after their parent in
// a file that was read; anything else is skipped, so a hand-made model cannot make a walk loop.
std::int32_t childOf(const TreeFile& file, std::int32_t node, bool front) {
    const TreeFileNode& n = file.nodes[static_cast<std::size_t>(node)];
    const std::int32_t child = front ? n.front : n.back;
    if (child < 0) return -1;
    assert(child > node && static_cast<std::size_t>(child) < file.nodes.size());
    if (child <= node || static_cast<std::size_t>(child) >= file.nodes.size()) return -1;
    return child;
}

// The in-order walk shared by both directions. `nearFirst` is false for back to front: at a
// node with the eye in front, the back subtree is far and comes first.
void walkFromEye(const TreeFile& file, const Point3& eye, bool nearFirst, const NodeVisitor& visit) {
    if (file.nodes.empty()) return;
    // Each entry is a node still to expand, or, once expanded, the node itself to visit.
    struct Step {
        std::int32_t node;
        bool expanded;
    };
    std::vector<Step> stack{{0, false}};
    while (!stack.empty()) {
        const Step step = stack.back();
        stack.pop_back();
        if (step.expanded) {
            if (!visit(step.node)) return;
            continue;
        }
        const bool eyeInFront = isInFront(file.nodes[static_cast<std::size_t>(step.node)].plane, eye);
        // The subtree on the eye's side is near; the first one walked is near or far as asked.
        const bool firstIsFront = nearFirst ? eyeInFront : !eyeInFront;
        const std::int32_t first = childOf(file, step.node, firstIsFront);
        const std::int32_t second = childOf(file, step.node, !firstIsFront);
        if (second >= 0) stack.push_back({second, false});
        stack.push_back({step.node, true});
        if (first >= 0) stack.push_back({first, false});
    }
}

std::vector<std::int32_t> collectFromEye(const TreeFile& file, const Point3& eye, bool nearFirst) {
    std::vector<std::int32_t> order;
    order.reserve(file.nodes.size());
    walkFromEye(file, eye, nearFirst, [&](std::int32_t node) {
        order.push_back(node);
        return true;
    });
    return order;
}

} // namespace

float planeSide(const Plane& plane, const Point3& point) {
    return static_cast<float>(
        ((double(plane.a) * point.x + double(plane.b) * point.y) + double(plane.c) * point.z) + plane.d);
}

bool isInFront(const Plane& plane, const Point3& point) {
    return planeSide(plane, point) > frontTolerance;
}

std::vector<std::int32_t> preOrder(const TreeFile& file) {
    std::vector<std::int32_t> order;
    if (file.nodes.empty()) return order;
    order.reserve(file.nodes.size());
    std::vector<std::int32_t> stack{0};
    while (!stack.empty()) {
        const std::int32_t node = stack.back();
        stack.pop_back();
        order.push_back(node);
        if (const std::int32_t back = childOf(file, node, false); back >= 0) stack.push_back(back);
        if (const std::int32_t front = childOf(file, node, true); front >= 0) stack.push_back(front);
    }
    return order;
}

std::vector<std::int32_t> backToFront(const TreeFile& file, const Point3& eye) {
    return collectFromEye(file, eye, false);
}

std::vector<std::int32_t> frontToBack(const TreeFile& file, const Point3& eye) {
    return collectFromEye(file, eye, true);
}

void visitBackToFront(const TreeFile& file, const Point3& eye, const NodeVisitor& visit) {
    walkFromEye(file, eye, false, visit);
}

void visitFrontToBack(const TreeFile& file, const Point3& eye, const NodeVisitor& visit) {
    walkFromEye(file, eye, true, visit);
}

std::int32_t leafAt(const TreeFile& file, const Point3& point) {
    if (file.nodes.empty()) return -1;
    std::int32_t node = 0;
    for (;;) {
        const bool front = isInFront(file.nodes[static_cast<std::size_t>(node)].plane, point);
        const std::int32_t child = childOf(file, node, front);
        if (child < 0) return node;
        node = child;
    }
}

} // namespace norvane
