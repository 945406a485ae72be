#include "view/draw_order.h"

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <optional>

#include <norvane/tree_traversal.h>

namespace norvane::view {
namespace {

// Planes compared by their bits, so that the faces cut from one face (which keep its plane) and
// faces in one plane are tested once.
using PlaneBits = std::array<std::uint32_t, 4>;

PlaneBits bitsOf(const Plane& plane) {
    return {std::bit_cast<std::uint32_t>(plane.a), std::bit_cast<std::uint32_t>(plane.b),
            std::bit_cast<std::uint32_t>(plane.c), std::bit_cast<std::uint32_t>(plane.d)};
}

Plane planeOf(const PlaneBits& bits) {
    return {std::bit_cast<float>(bits[0]), std::bit_cast<float>(bits[1]), std::bit_cast<float>(bits[2]),
            std::bit_cast<float>(bits[3])};
}

// The distinct corners and planes of a leaf's drawable faces.
struct LeafParts {
    std::vector<std::uint32_t> corners;
    std::vector<PlaneBits> planes;
};

LeafParts partsOf(const TreeFile& file, const TreeFileNode& leaf) {
    LeafParts parts;
    for (const TreeFileFace& face : leaf.faces) {
        if (!isDrawable(file, face)) continue;
        parts.corners.insert(parts.corners.end(), std::begin(face.verts), std::end(face.verts));
        parts.planes.push_back(bitsOf(face.plane));
    }
    std::sort(parts.corners.begin(), parts.corners.end());
    parts.corners.erase(std::unique(parts.corners.begin(), parts.corners.end()), parts.corners.end());
    std::sort(parts.planes.begin(), parts.planes.end());
    parts.planes.erase(std::unique(parts.planes.begin(), parts.planes.end()), parts.planes.end());
    return parts;
}

} // namespace

std::optional<NodeKind> classifyLeaf(const TreeFile& file, const TreeFileNode& leaf, StepBudget& budget) {
    // A face lies in front of a plane when a corner is in front and none behind, so a leaf has a
    // face in front of another's plane exactly when some corner is in front of some face's plane
    // (a corner behind as well would make the face cross the plane). Testing every distinct
    // corner against every distinct plane therefore decides the kind.
    const LeafParts parts = partsOf(file, leaf);
    std::vector<Point3> points;
    points.reserve(parts.corners.size());
    for (const std::uint32_t c : parts.corners)
        points.push_back({file.vertices[c].x, file.vertices[c].y, file.vertices[c].z});

    // Faces that all lie on one of their planes are in one plane, even when some lie just outside
    // the tolerance of another's (the build keeps such nearly coplanar faces in one leaf).
    for (const PlaneBits& bits : parts.planes) {
        const Plane plane = planeOf(bits);
        std::size_t tested = 0; // the budget counts the corners tested, up to the first off the plane
        const bool onPlane = std::all_of(points.begin(), points.end(), [&](const auto& p) {
            ++tested;
            return std::abs(planeSide(plane, p)) <= frontTolerance;
        });
        if (!budget.spend(tested)) return std::nullopt;
        if (onPlane) return NodeKind::InPlane;
    }
    bool inFront = false, behind = false;
    for (const PlaneBits& bits : parts.planes) {
        if (!budget.spend(points.size())) return std::nullopt;
        const Plane plane = planeOf(bits);
        for (const auto& p : points) {
            const float s = planeSide(plane, p);
            if (s > frontTolerance)
                inFront = true;
            else if (s < -frontTolerance)
                behind = true;
        }
        if (inFront && behind) return NodeKind::Unseparated;
    }
    return inFront ? NodeKind::AllInFront : behind ? NodeKind::AllBehind : NodeKind::InPlane;
}

NodeKind classifyLeaf(const TreeFile& file, const TreeFileNode& leaf) {
    StepBudget unbounded;
    return *classifyLeaf(file, leaf, unbounded);
}

std::optional<std::vector<NodeKind>> classifyNodes(const TreeFile& file, StepBudget& budget) {
    std::vector<NodeKind> kinds(file.nodes.size(), NodeKind::InPlane);
    for (std::size_t n = 0; n < file.nodes.size(); ++n) {
        if (file.nodes[n].flags != 0) continue;
        const std::optional<NodeKind> kind = classifyLeaf(file, file.nodes[n], budget);
        if (!kind) return std::nullopt;
        kinds[n] = *kind;
    }
    return kinds;
}

std::vector<NodeKind> classifyNodes(const TreeFile& file) {
    StepBudget unbounded;
    return *classifyNodes(file, unbounded);
}

void appendNodeFaces(const TreeFile& file, std::int32_t node, NodeKind kind, const View& view,
                     std::vector<FaceRef>& out) {
    assert(node >= 0 && static_cast<std::size_t>(node) < file.nodes.size());
    const TreeFileNode& n = file.nodes[static_cast<std::size_t>(node)];
    const auto count = static_cast<std::int32_t>(n.faces.size());
    const Point3 eye = walkEye(view);
    auto drawable = [&](std::int32_t f) { return isDrawable(file, n.faces[static_cast<std::size_t>(f)]); };
    auto facesEye = [&](std::int32_t f) { return isInFront(n.faces[static_cast<std::size_t>(f)].plane, eye); };
    switch (kind) {
    case NodeKind::InPlane:
        for (std::int32_t f = 0; f < count; ++f)
            if (drawable(f)) out.push_back({node, f});
        return;
    case NodeKind::AllBehind:
    case NodeKind::AllInFront: {
        // Facing away from the eye first for a group facing out, facing it first for one facing in.
        const bool firstFacingEye = kind == NodeKind::AllInFront;
        for (const bool facing : {firstFacingEye, !firstFacingEye})
            for (std::int32_t f = 0; f < count; ++f)
                if (drawable(f) && facesEye(f) == facing) out.push_back({node, f});
        return;
    }
    case NodeKind::Unseparated: {
        std::vector<std::pair<double, std::int32_t>> byDistance;
        for (std::int32_t f = 0; f < count; ++f) {
            if (!drawable(f)) continue;
            const auto c = faceCorners(file, n.faces[static_cast<std::size_t>(f)]);
            const Vec3 centre = (c[0] + c[1] + c[2]) * (1.0 / 3.0);
            const Vec3 d = centre - view.eye;
            byDistance.push_back({-dot(d, d), f});
        }
        std::stable_sort(byDistance.begin(), byDistance.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        for (const auto& [distance, f] : byDistance) out.push_back({node, f});
        return;
    }
    }
}

std::vector<FaceRef> paintersOrder(const TreeFile& file, const std::vector<NodeKind>& kinds, const View& view) {
    assert(kinds.size() == file.nodes.size());
    std::vector<FaceRef> order;
    visitBackToFront(file, walkEye(view), [&](std::int32_t node) {
        appendNodeFaces(file, node, kinds[static_cast<std::size_t>(node)], view, order);
        return true;
    });
    return order;
}

} // namespace norvane::view
