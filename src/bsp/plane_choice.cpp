#include "bsp/plane_choice.h"

#include <array>
#include <cstdlib>

namespace norvane {

std::int32_t choosePlaneReference(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices) {
    const auto n = static_cast<std::int32_t>(faces.size());
    std::int32_t best = -1;
    std::int64_t bestScore = startingBestScore;
    std::int64_t frontTotal = 0, backTotal = 0, spanTotal = 0;
    for (std::int32_t i = 0; i < n; ++i) {
        std::int64_t front = 0, back = 0, span = 0;
        for (std::int32_t j = 0; j < n; ++j) {
            if (j == i) continue;
            switch (classifyFace(faces[i].plane, faces[j], vertices)) {
            case Front: ++front; break;
            case Back: ++back; break;
            case Spanning: ++span; break;
            default: break;
            }
        }
        frontTotal += front;
        backTotal += back;
        spanTotal += span;
        const std::int64_t score = std::llabs(front - back) * imbalanceWeight + span * splitWeight;
        if (score < bestScore) {
            bestScore = score;
            best = i;
        }
    }
    return (spanTotal != 0 || (frontTotal != 0 && backTotal != 0)) ? best : -1;
}

namespace {

// Per-vertex sides against the current candidate plane, computed on first use.
struct SideCache {
    std::vector<std::uint32_t> stamp;
    std::vector<std::uint8_t> side;
    std::uint32_t current = 0;

    explicit SideCache(std::size_t n) : stamp(n, 0), side(n, 0) {}
    void next() { ++current; }
    Side get(const Plane& p, const std::vector<Vertex>& vertices, std::uint32_t v) {
        if (stamp[v] != current) {
            stamp[v] = current;
            side[v] = static_cast<std::uint8_t>(classifyPoint(p, vertices[v]));
        }
        return static_cast<Side>(side[v]);
    }
};

} // namespace

std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices) {
    const auto n = static_cast<std::int64_t>(faces.size());
    std::int32_t best = -1;
    std::int64_t bestScore = startingBestScore;
    // Whether the leaf rule is already decided: some face crosses a candidate's plane, or faces
    // lie both in front of and behind candidate planes. Until then every candidate is counted
    // in full, since the totals decide whether the node is a leaf at all.
    bool anyFront = false, anyBack = false, anySpan = false;

    // Local vertex numbering, so the side cache stays small for deep nodes.
    std::vector<std::uint32_t> localOf;
    std::vector<std::uint32_t> globalOf;
    std::vector<std::array<std::uint32_t, 3>> corners(faces.size());
    {
        std::vector<std::int32_t> map(vertices.size(), -1);
        for (std::size_t f = 0; f < faces.size(); ++f)
            for (int k = 0; k < 3; ++k) {
                const std::uint32_t g = faces[f].verts[k];
                if (map[g] < 0) {
                    map[g] = static_cast<std::int32_t>(globalOf.size());
                    globalOf.push_back(g);
                }
                corners[f][k] = static_cast<std::uint32_t>(map[g]);
            }
    }
    std::vector<Vertex> local(globalOf.size());
    for (std::size_t v = 0; v < globalOf.size(); ++v) local[v] = vertices[globalOf[v]];
    SideCache cache(local.size());

    for (std::int64_t i = 0; i < n; ++i) {
        const Plane& plane = faces[static_cast<std::size_t>(i)].plane;
        cache.next();
        std::int64_t front = 0, back = 0, span = 0;
        bool abandoned = false;
        for (std::int64_t j = 0; j < n; ++j) {
            if (j == i) continue;
            const auto& c = corners[static_cast<std::size_t>(j)];
            const Side side = classifyCorners(cache.get(plane, local, c[0]), cache.get(plane, local, c[1]),
                                              cache.get(plane, local, c[2]));
            if (side == Front) ++front;
            else if (side == Back) ++back;
            else if (side == Spanning) ++span;
            if ((j & 63) == 63 && (anySpan || (anyFront && anyBack))) {
                // The score can only grow by 75 per cut still to come, and the imbalance can
                // shrink by at most one per face still to classify.
                const std::int64_t remaining = n - 1 - j - (i > j ? 1 : 0);
                const std::int64_t imbalance = std::llabs(front - back) - remaining;
                const std::int64_t bound = span * splitWeight + (imbalance > 0 ? imbalance : 0) * imbalanceWeight;
                if (bound >= bestScore) {
                    abandoned = true;
                    break;
                }
            }
        }
        anyFront |= front > 0;
        anyBack |= back > 0;
        anySpan |= span > 0;
        if (abandoned) continue;
        const std::int64_t score = std::llabs(front - back) * imbalanceWeight + span * splitWeight;
        if (score < bestScore) {
            bestScore = score;
            best = static_cast<std::int32_t>(i);
        }
    }
    return (anySpan || (anyFront && anyBack)) ? best : -1;
}

} // namespace norvane
