#include "view/agreement.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <vector>

#include <norvane/tree_traversal.h>

namespace norvane::view {
namespace {

// Rounding allowance for a point's distance from a plane: float coordinates and plane
// coefficients are good to a few parts in 10^7 of the coordinates' size.
double roundingAllowance(const Vec3& p) {
    return 1e-6 * std::max({1.0, std::abs(p[0]), std::abs(p[1]), std::abs(p[2])});
}

double distanceToPlane(const Plane& plane, const Vec3& p) {
    return ((plane.a * p[0] + plane.b * p[1]) + plane.c * p[2]) + plane.d;
}

bool liesOn(const TreeFile& file, const TreeFileFace& face, const Plane& plane) {
    for (const Vec3& c : faceCorners(file, face))
        if (std::abs(distanceToPlane(plane, c)) > frontTolerance + roundingAllowance(c)) return false;
    return true;
}

class Classifier {
  public:
    Classifier(const PreparedTree& tree, const RenderSettings& settings)
        : tree_(tree), projector_(makeProjector(settings.view, settings.size)) {
        // Sized by the faces the file holds, not by the initial face count its header claims.
        for (const TreeFileNode& node : tree.file->nodes)
            for (const TreeFileFace& face : node.faces) ids_.push_back(face.id);
        std::sort(ids_.begin(), ids_.end());
    }

    bool inOnePlane(FaceRef a, FaceRef b) const {
        if (a.node != b.node) return false;
        // An interior node's faces lie in its plane; so do those of a leaf in one plane.
        if (tree_.file->nodes[static_cast<std::size_t>(a.node)].flags != 0 ||
            tree_.kinds[static_cast<std::size_t>(a.node)] == NodeKind::InPlane)
            return true;
        return liesOn(*tree_.file, face(a), face(b).plane) && liesOn(*tree_.file, face(b), face(a).plane);
    }

    // Where the pixel's ray meets one face's plane lies within the tolerance band of the other's.
    bool touching(FaceRef a, FaceRef b, int x, int y) const {
        const View& v = projector_.view;
        const Vec3 ray = v.forward + v.right * (((x + 0.5) - projector_.halfWidth) / projector_.focal) +
                         v.up * ((projector_.halfHeight - (y + 0.5)) / projector_.focal);
        auto meets = [&](const TreeFileFace& on, const TreeFileFace& other) {
            const Vec3 n{on.plane.a, on.plane.b, on.plane.c};
            const double t = -(dot(n, v.eye) + on.plane.d) / dot(n, ray);
            const Vec3 p = v.eye + ray * t;
            return std::abs(distanceToPlane(other.plane, p)) <= 2 * double{frontTolerance} + roundingAllowance(p);
        };
        return meets(face(a), face(b)) || meets(face(b), face(a));
    }

    // Whether a cut piece (a face whose id has several records) of one node has a corner on the
    // wrong side of the plane of the nearest node above both (beyond the tolerance and rounding).
    // A whole face out of its cell is not excused: that is a wrong tree.
    bool strayPiece(FaceRef a, FaceRef b) const {
        const TreeFile& file = *tree_.file;
        std::int32_t x = a.node, y = b.node;
        while (x != y) {
            if (file.nodes[static_cast<std::size_t>(x)].depth >= file.nodes[static_cast<std::size_t>(y)].depth)
                x = file.nodes[static_cast<std::size_t>(x)].parent;
            else
                y = file.nodes[static_cast<std::size_t>(y)].parent;
            if (x < 0 || y < 0) return false;
        }
        const TreeFileNode& separator = file.nodes[static_cast<std::size_t>(x)];
        auto outside = [&](FaceRef r) {
            if (r.node == x || recordsOf(face(r).id) < 2) return false;
            // The child of the separator on the way down to the face's node.
            std::int32_t child = r.node;
            while (file.nodes[static_cast<std::size_t>(child)].parent != x)
                child = file.nodes[static_cast<std::size_t>(child)].parent;
            const double side = child == separator.front ? 1.0 : -1.0;
            for (const Vec3& c : faceCorners(file, face(r)))
                if (side * distanceToPlane(separator.plane, c) < -(frontTolerance + roundingAllowance(c))) return true;
            return false;
        };
        return outside(a) || outside(b);
    }

    bool unseparated(FaceRef a, FaceRef b) const {
        return tree_.kinds[static_cast<std::size_t>(a.node)] == NodeKind::Unseparated &&
               tree_.kinds[static_cast<std::size_t>(b.node)] == NodeKind::Unseparated;
    }

    const TreeFileFace& face(FaceRef r) const {
        return tree_.file->nodes[static_cast<std::size_t>(r.node)].faces[static_cast<std::size_t>(r.face)];
    }

  private:
    const PreparedTree& tree_;
    Projector projector_;
    std::vector<std::uint32_t> ids_; // every face record's initial face id, sorted

    // How many face records carry the initial face id.
    std::size_t recordsOf(std::uint32_t id) const {
        const auto [from, to] = std::equal_range(ids_.begin(), ids_.end(), id);
        return static_cast<std::size_t>(to - from);
    }
};

} // namespace

double Agreement::samePercent() const { return covered == 0 ? 100.0 : 100.0 * double(same) / double(covered); }

Agreement compareFrames(const PreparedTree& tree, const RenderSettings& settings, const Frame& painter,
                        const Frame& depth) {
    assert(painter.width == depth.width && painter.height == depth.height);
    const Classifier classify(tree, settings);
    Agreement result;
    for (int y = 0; y < painter.height; ++y)
        for (int x = 0; x < painter.width; ++x) {
            const auto k =
                static_cast<std::size_t>(y) * static_cast<std::size_t>(painter.width) + static_cast<std::size_t>(x);
            const std::int32_t p = painter.face[k], d = depth.face[k];
            if (p < 0 && d < 0) continue;
            ++result.covered;
            if (p == d) {
                ++result.same;
                continue;
            }
            // Both images fill the same triangles by the same rules, so both cover the pixel.
            const FaceRef a = p < 0 ? FaceRef{} : faceOfNumber(tree.numbering, p);
            const FaceRef b = d < 0 ? FaceRef{} : faceOfNumber(tree.numbering, d);
            if (p >= 0 && d >= 0) {
                if (classify.inOnePlane(a, b)) {
                    ++result.inOnePlane;
                    continue;
                }
                if (classify.touching(a, b, x, y)) {
                    ++result.touching;
                    continue;
                }
                if (classify.strayPiece(a, b)) {
                    ++result.strayPiece;
                    continue;
                }
                if (classify.unseparated(a, b)) {
                    ++result.unseparated;
                    continue;
                }
            }
            if (result.wrong++ == 0) {
                result.wrongX = x;
                result.wrongY = y;
                result.wrongPainter = a;
                result.wrongDepth = b;
            }
        }
    return result;
}

} // namespace norvane::view
