#include "bsp/child_counts.h"

#include <algorithm>
#include <cassert>
#include <limits>

#include "bsp/box_hierarchy.h"
#include "bsp/corner_block.h"
#include "bsp/plane_key.h"

namespace norvane {
namespace {

// Beyond this many moved faces (pieces counting twice: each is also a new candidate counted in
// full) a child counts afresh; the box search then costs less than updating every candidate.
constexpr std::size_t maxMoved = 1024;
// Planes' changes are remembered when more faces than this moved: a few moved faces (four or
// five on a height field's deep nodes) are classified again sooner than a plane is hashed and
// looked up.
constexpr std::size_t rememberedFrom = 128;

// Faces copied corner by corner for tallyBlock.
struct CornerCopy {
    std::vector<float> x, y, z;
    std::size_t count = 0;

    // Lays out the faces given by their corners, three per face.
    explicit CornerCopy(const std::vector<Vertex>& corners) : x(corners.size()), y(corners.size()), z(corners.size()) {
        count = corners.size() / 3;
        for (std::size_t i = 0; i < count; ++i)
            for (std::size_t k = 0; k < 3; ++k) {
                const Vertex& v = corners[3 * i + k];
                x[k * count + i] = v.x;
                y[k * count + i] = v.y;
                z[k * count + i] = v.z;
            }
    }
    CornerBlock block() const { return {x.data(), y.data(), z.data(), count, count}; }
};

// The faces that left the parent's list (-1 each) and the pieces that came (+1 each), and what
// they change in the tally of any plane.
class MovedFaces {
  public:
    MovedFaces(const std::vector<BspFace>& parent, const std::vector<BspFace>& child,
               const std::vector<FaceOrigin>& origin, const std::vector<Vertex>& vertices)
        : left_(cornersOf(parent, leftFaces(parent, origin), vertices)),
          came_(cornersOf(child, cameFaces(origin), vertices)) {
        BoxBuilder bounds;
        for (const CornerCopy* c : {&left_, &came_})
            for (std::size_t v = 0; v < c->x.size(); ++v) bounds.add(c->x[v], c->y[v], c->z[v]);
        patch_ = bounds.box();
        distance_.resize(3 * std::max(left_.count, came_.count));
    }

    // The change in a plane's tally. The moved faces are usually a small patch that most planes
    // see wholly on one side; and pieces keep the plane of the face they were cut from, so a
    // split-heavy node has many candidates with one plane: where many faces moved, each plane's
    // change is worked out once.
    SideTally changeFor(const Plane& plane) {
        SideTally change;
        const Side whole = PlaneBoxTest(plane).side(patch_);
        if (whole != On) {
            change.add(whole, static_cast<std::int32_t>(came_.count) - static_cast<std::int32_t>(left_.count));
            return change;
        }
        const bool remember = came_.count + left_.count > rememberedFrom;
        const PlaneKey key = remember ? planeKey(plane) : PlaneKey{};
        if (remember)
            if (const SideTally* known = changeOf_.find(key)) return *known;
        tallyBlock(plane, came_.block(), distance_.data(), change);
        SideTally gone;
        tallyBlock(plane, left_.block(), distance_.data(), gone);
        change.add(SideTally{-gone.front, -gone.back, -gone.span});
        if (remember) changeOf_.insert(key, change);
        return change;
    }

  private:
    // The whole faces come in the parent's order, so the parent's faces between two of them
    // are the ones that left.
    static std::vector<std::size_t> leftFaces(const std::vector<BspFace>& parent,
                                              const std::vector<FaceOrigin>& origin) {
        std::vector<std::size_t> left;
        std::size_t next = 0; // the first parent face not yet known to stay or leave
        for (const FaceOrigin& o : origin) {
            if (!o.isWhole()) continue;
            const std::size_t stays = o.parentIndex();
            assert(stays >= next && "whole faces in the parent's order");
            for (; next < stays; ++next) left.push_back(next);
            next = stays + 1;
        }
        for (; next < parent.size(); ++next) left.push_back(next);
        return left;
    }
    static std::vector<std::size_t> cameFaces(const std::vector<FaceOrigin>& origin) {
        std::vector<std::size_t> came;
        came.reserve(static_cast<std::size_t>(
            std::count_if(origin.begin(), origin.end(), [](const FaceOrigin& o) { return !o.isWhole(); })));
        for (std::size_t k = 0; k < origin.size(); ++k)
            if (!origin[k].isWhole()) came.push_back(k);
        return came;
    }
    static std::vector<Vertex> cornersOf(const std::vector<BspFace>& faces, const std::vector<std::size_t>& which,
                                         const std::vector<Vertex>& vertices) {
        std::vector<Vertex> corners;
        corners.reserve(3 * which.size());
        for (const std::size_t f : which)
            for (const std::uint32_t v : faces[f].verts) corners.push_back(vertices[v]);
        return corners;
    }

    CornerCopy left_, came_;
    Box patch_;
    std::vector<float> distance_; // scratch for tallyBlock
    HashTable<PlaneKey, SideTally, PlaneKeyHasher> changeOf_;
};

} // namespace

bool mayDeriveChildCounts(std::size_t parentFaces, const NodeCounts& parentCounts, std::size_t childFaces,
                          const std::vector<FaceOrigin>& origin) {
    if (parentCounts.candidates.size() != parentFaces) return false;
    std::size_t kept = 0, came = 0;
    for (const FaceOrigin& o : origin) (o.isWhole() ? kept : came) += 1;
    const std::size_t left = parentFaces - kept;
    return left + 2 * came <= std::min(maxMoved, childFaces / 2);
}

NodeCounts deriveChildCounts(const std::vector<BspFace>& parent, const NodeCounts& parentCounts,
                             const std::vector<BspFace>& child, const std::vector<FaceOrigin>& origin,
                             const std::vector<Vertex>& vertices) {
    assert(origin.size() == child.size() && "one origin per child face");
    if (!mayDeriveChildCounts(parent.size(), parentCounts, child.size(), origin)) return {};

    MovedFaces moved(parent, child, origin, vertices);
    NodeCounts counts;
    counts.candidates.reserve(child.size()); // each written once, in order
    counts.handedDown = true;
    NodeCounts::Summary summary{true, std::numeric_limits<std::int64_t>::max(), -1, false, false, false};
    for (std::size_t k = 0; k < child.size(); ++k) {
        if ((!origin[k].isWhole() && !origin[k].isPiece()) ||
            !parentCounts.candidates[origin[k].parentIndex()].known) {
            counts.candidates.emplace_back();
            summary.complete = false;
            continue;
        }
        const std::size_t from = origin[k].parentIndex();
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
        counts.candidates.push_back(CandidateCounts{tally, true});
        const std::int64_t score = tally.score();
        if (score < summary.lowest) summary.lowest = score, summary.first = static_cast<std::int32_t>(k);
        summary.anyFront |= tally.front > 0;
        summary.anyBack |= tally.back > 0;
        summary.anySpan |= tally.span > 0;
    }
    if (summary.complete) counts.summary = summary;
    return counts;
}

} // namespace norvane
