#include "bsp/child_counts.h"

#include <algorithm>
#include <array>

#include "bsp/bounds.h"

namespace norvane {

namespace {

// Beyond this many moved faces (pieces counting twice: each is also a new candidate counted in
// full) a child counts afresh; the box search then costs less than updating every candidate.
constexpr std::size_t maxMoved = 1024;

} // namespace

NodeCounts deriveChildCounts(const std::vector<BspFace>& parent, const NodeCounts& parentCounts,
                             const std::vector<BspFace>& child, const std::vector<std::int32_t>& origin,
                             const std::vector<Vertex>& vertices) {
    if (parentCounts.size() != parent.size()) return {};
    std::size_t kept = 0, came = 0;
    for (std::int32_t o : origin) (o >= 0 ? kept : came) += 1;
    const std::size_t left = parent.size() - kept;
    if (left + 2 * came > std::min(maxMoved, child.size() / 2)) return {};

    // The moved faces, each with the sign of its change, over a compact copy of their corners.
    std::vector<bool> stays(parent.size(), false);
    for (std::int32_t o : origin)
        if (o >= 0) stays[static_cast<std::size_t>(o)] = true;
    std::vector<const BspFace*> moved;
    std::vector<int> sign;
    for (std::size_t j = 0; j < parent.size(); ++j)
        if (!stays[j]) {
            moved.push_back(&parent[j]);
            sign.push_back(-1);
        }
    for (std::size_t k = 0; k < child.size(); ++k)
        if (origin[k] < 0) {
            moved.push_back(&child[k]);
            sign.push_back(1);
        }
    std::vector<Vertex> corners;
    corners.reserve(moved.size() * 3);
    for (const BspFace* f : moved)
        for (std::uint32_t v : f->verts) corners.push_back(vertices[v]);
    // The moved faces are usually a small patch: most planes see all of it on one side.
    Bounds patch;
    for (const Vertex& v : corners) patch.add(v);
    patch.finish();
    int netSign = 0;
    for (int s : sign) netSign += s;

    NodeCounts counts(child.size());
    std::vector<Side> sides(corners.size());
    for (std::size_t k = 0; k < child.size(); ++k) {
        if (origin[k] < 0) continue;
        const CandidateCounts& before = parentCounts[static_cast<std::size_t>(origin[k])];
        if (!before.known) continue;
        const Plane& plane = child[k].plane;
        const Side whole = boundsSide(plane, patch);
        if (whole != On) {
            counts[k] = before;
            (whole == Front ? counts[k].front : counts[k].back) += netSign;
            continue;
        }
        for (std::size_t v = 0; v < corners.size(); ++v) sides[v] = classifyPoint(plane, corners[v]);
        std::int32_t delta[9] = {};
        for (std::size_t m = 0; m < moved.size(); ++m)
            delta[classifyCorners(sides[3 * m], sides[3 * m + 1], sides[3 * m + 2])] += sign[m];
        counts[k].front = before.front + delta[Front];
        counts[k].back = before.back + delta[Back];
        counts[k].span = before.span + delta[Spanning];
        counts[k].known = true;
    }
    return counts;
}

} // namespace norvane
