#include "view/tree_geometry.h"

#include <algorithm>
#include <cassert>

namespace norvane::view {

std::array<Vec3, 3> faceCorners(const TreeFile& file, const TreeFileFace& face) {
    std::array<Vec3, 3> corners{};
    for (int c = 0; c < 3; ++c) {
        assert(face.verts[c] < file.vertices.size());
        const auto& v = file.vertices[face.verts[c]];
        corners[c] = {v.x, v.y, v.z};
    }
    return corners;
}

bool isDrawable(const TreeFile& file, const TreeFileFace& face) {
    for (const float p : {face.plane.a, face.plane.b, face.plane.c, face.plane.d})
        if (!std::isfinite(p)) return false;
    for (const Vec3& c : faceCorners(file, face))
        if (!isFinite(c)) return false;
    return true;
}

Bounds treeBounds(const TreeFile& file) {
    Bounds b;
    for (const TreeFileNode& node : file.nodes)
        for (const TreeFileFace& face : node.faces) {
            if (!isDrawable(file, face)) continue;
            for (const Vec3& c : faceCorners(file, face)) {
                for (int k = 0; k < 3; ++k) {
                    b.lo[k] = b.empty ? c[k] : std::min(b.lo[k], c[k]);
                    b.hi[k] = b.empty ? c[k] : std::max(b.hi[k], c[k]);
                }
                b.empty = false; // from the first corner on, every corner widens the box
            }
        }
    return b;
}

FaceNumbering numberFaces(const TreeFile& file) {
    FaceNumbering numbering;
    numbering.first.reserve(file.nodes.size());
    for (const TreeFileNode& node : file.nodes) {
        numbering.first.push_back(numbering.count);
        numbering.count += static_cast<std::int32_t>(node.faces.size());
    }
    return numbering;
}

FaceRef faceOfNumber(const FaceNumbering& numbering, std::int32_t number) {
    assert(number >= 0 && number < numbering.count);
    // The last node whose first number is not above `number` (nodes without faces share it).
    const auto it = std::upper_bound(numbering.first.begin(), numbering.first.end(), number);
    const auto node = static_cast<std::int32_t>(it - numbering.first.begin()) - 1;
    return {node, number - numbering.first[static_cast<std::size_t>(node)]};
}

} // namespace norvane::view
