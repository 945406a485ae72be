#include "bsp/child_counts.h"

#include <algorithm>
#include <cassert>

#include "bsp/box_hierarchy.h"
#include "bsp/plane_key.h"

namespace norvane {
namespace {

// Beyond this many moved faces (pieces counting twice: each is also a new candidate counted in
// full) a child counts afresh; the box search then costs less than updating every candidate.
constexpr std::size_t maxMoved = 1024;

// The faces that left the parent's list (-1 each) and the pieces that came (+1 each), and what
// they change in the tally of any plane.
class MovedFaces {
public:
    MovedFaces(const std::vector<BspFace>& parent, const std::vector<BspFace>& child,
               const std::vector<FaceOrigin>& origin, const std::vector<Vertex>& vertices) {
        std::vector<std::uint8_t> stays(parent.size(), 0);
        for (const FaceOrigin& o : origin)
            if (o.isWhole()) stays[o.parentIndex()] = 1;
        for (std::size_t j = 0; j < parent.size(); ++j)
            if (!stays[j]) take(parent[j], -1, vertices);
        for (std::size_t k = 0; k < child.size(); ++k)
            if (!origin[k].isWhole()) take(child[k], 1, vertices);
        BoxBuilder bounds;
        for (const Vertex& v : corners_) bounds.add(v);
        patch_ = bounds.box();
        sides_.resize(corners_.size());
    }

    // The change in a plane's tally. The moved faces are usually a small patch that most planes
    // see wholly on one side; and pieces keep the plane of the face they were cut from, so a
    // split-heavy node has many candidates with one plane: each plane's change is worked out
    // once.
    SideTally changeFor(const Plane& plane) {
        SideTally change;
        const Side whole = PlaneBoxTest(plane).side(patch_);
        if (whole != On) {
            change.add(whole, netSign_);
            return change;
        }
        const PlaneKey key = planeKey(plane);
        if (const SideTally* known = changeOf_.find(key)) return *known;
        for (std::size_t v = 0; v < corners_.size(); ++v) sides_[v] = classifyPoint(plane, corners_[v]);
        for (std::size_t m = 0; m < sign_.size(); ++m)
            change.add(classifyCorners(sides_[3 * m], sides_[3 * m + 1], sides_[3 * m + 2]), sign_[m]);
        changeOf_.insert(key, change);
        return change;
    }

private:
    void take(const BspFace& face, std::int32_t sign, const std::vector<Vertex>& vertices) {
        for (std::uint32_t v : face.verts) corners_.push_back(vertices[v]);
        sign_.push_back(sign);
        netSign_ += sign;
    }

    std::vector<Vertex> corners_; // three per moved face, a compact copy
    std::vector<std::int32_t> sign_;
    std::int32_t netSign_ = 0;
    Box patch_;
    std::vector<Side> sides_; // scratch: the side of each corner
    HashTable<PlaneKey, SideTally, PlaneKeyHasher> changeOf_;
};

} // namespace

NodeCounts deriveChildCounts(const std::vector<BspFace>& parent, const NodeCounts& parentCounts,
                             const std::vector<BspFace>& child, const std::vector<FaceOrigin>& origin,
                             const std::vector<Vertex>& vertices) {
    assert(origin.size() == child.size() && "one origin per child face");
    if (parentCounts.candidates.size() != parent.size()) return {};
    std::size_t kept = 0, came = 0;
    for (const FaceOrigin& o : origin) (o.isWhole() ? kept : came) += 1;
    const std::size_t left = parent.size() - kept;
    if (left + 2 * came > std::min(maxMoved, child.size() / 2)) return {};

    MovedFaces moved(parent, child, origin, vertices);
    NodeCounts counts;
    counts.candidates.resize(child.size());
    counts.handedDown = true;
    for (std::size_t k = 0; k < child.size(); ++k) {
        if (!origin[k].isWhole() && !origin[k].isPiece()) continue;
        const std::size_t from = origin[k].parentIndex();
        if (!parentCounts.candidates[from].known) continue;
        const Plane& plane = child[k].plane;
        SideTally change = moved.changeFor(plane);
        if (origin[k].isPiece()) {
            // A piece of parent face `from`, with its plane: it sees what that face saw, except
            // that the face itself was never counted and the piece does not count itself.
            change.add(classifyFace(plane, parent[from], vertices), 1);
            change.add(classifyFace(plane, child[k], vertices), -1);
        }
        SideTally tally = parentCounts.candidates[from].tally;
        tally.add(change);
        counts.candidates[k] = CandidateCounts{tally, true};
    }
    return counts;
}

} // namespace norvane
