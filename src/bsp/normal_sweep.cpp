#include "bsp/normal_sweep.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <numeric>

#include "bsp/plane_key.h"

namespace norvane {

namespace {

// Counts of inserted ranks, for "how many inserted so far are at least r".
class RankCounter {
public:
    explicit RankCounter(std::size_t n) : tree_(n + 1, 0) {}
    void insert(std::size_t rank) {
        for (std::size_t i = rank + 1; i < tree_.size(); i += i & (~i + 1)) ++tree_[i];
        ++inserted_;
    }
    std::int32_t atLeast(std::size_t rank) const {
        std::int32_t below = 0;
        for (std::size_t i = rank; i > 0; i -= i & (~i + 1)) below += tree_[i];
        return inserted_ - below;
    }

private:
    std::vector<std::int32_t> tree_;
    std::int32_t inserted_ = 0;
};

// The node's faces seen along one normal: each face's smallest and largest s, where
// s = (a*x + b*y) + c*z is summed exactly as a point's distance is before d is added.
struct FaceRanges {
    std::vector<std::uint32_t> irregular;    // faces with a corner whose s is NaN (always behind)
    std::vector<double> lows, highs;         // the regular faces' smallest and largest s, sorted
    std::vector<std::uint32_t> byLow;        // the regular faces in the order of `lows`
    std::vector<std::uint32_t> highRank;     // per face, its place in `highs`
};

FaceRanges rangesAlong(const PreparedNode& node, const Plane& normal) {
    const double a = normal.a, b = normal.b, c = normal.c;
    std::vector<double> s(node.local.size());
    for (std::size_t v = 0; v < node.local.size(); ++v) {
        const Vertex& p = node.local[v];
        s[v] = (a * p.x + b * p.y) + c * p.z;
    }
    const std::size_t faceCount = node.corners.size();
    FaceRanges r;
    std::vector<std::uint32_t> regular;
    std::vector<double> low(faceCount), high(faceCount);
    for (std::size_t f = 0; f < faceCount; ++f) {
        const double s0 = s[node.corners[f][0]], s1 = s[node.corners[f][1]], s2 = s[node.corners[f][2]];
        if (std::isnan(s0) || std::isnan(s1) || std::isnan(s2)) {
            r.irregular.push_back(static_cast<std::uint32_t>(f));
            continue;
        }
        low[f] = std::min({s0, s1, s2});
        high[f] = std::max({s0, s1, s2});
        regular.push_back(static_cast<std::uint32_t>(f));
    }
    const std::size_t n = regular.size();
    std::vector<std::uint32_t> byHigh = regular;
    r.byLow = regular;
    std::sort(r.byLow.begin(), r.byLow.end(), [&](std::uint32_t x, std::uint32_t y) { return low[x] < low[y]; });
    std::sort(byHigh.begin(), byHigh.end(), [&](std::uint32_t x, std::uint32_t y) { return high[x] < high[y]; });
    r.lows.resize(n);
    r.highs.resize(n);
    r.highRank.assign(faceCount, 0);
    for (std::size_t k = 0; k < n; ++k) {
        r.lows[k] = low[r.byLow[k]];
        r.highs[k] = high[byHigh[k]];
        r.highRank[byHigh[k]] = static_cast<std::uint32_t>(k);
    }
    return r;
}

// Per candidate: the regular faces with a corner behind are the first `behind` by smallest s,
// those with a corner in front the last `inFront` by largest s (equal values share their side).
struct Query {
    std::int32_t candidate;
    std::size_t behind, inFront;
};

Query queryFor(const FaceRanges& r, std::int32_t candidate, double d) {
    auto side = [d](double sv) { return sideOfDistance(static_cast<float>(sv + d)); };
    const auto behind = std::partition_point(r.lows.begin(), r.lows.end(), [&](double v) { return side(v) == Back; });
    const auto notFront =
        std::partition_point(r.highs.begin(), r.highs.end(), [&](double v) { return side(v) != Front; });
    return {candidate, static_cast<std::size_t>(behind - r.lows.begin()),
            static_cast<std::size_t>(r.highs.end() - notFront)};
}

} // namespace

void countByNormalSweep(const PreparedNode& node, const std::vector<std::int32_t>& group, NodeCounts& counts) {
    assert(!group.empty() && counts.candidates.size() == node.faces->size());
    const Plane& normal = node.plane(group.front());
#ifndef NDEBUG
    for (const std::int32_t i : group) {
        const Plane& p = node.plane(i);
        assert(normalKey(p) == normalKey(normal) && "one normal per group");
        assert(std::isfinite(p.a) && std::isfinite(p.b) && std::isfinite(p.c) && std::isfinite(p.d));
    }
#endif
    const FaceRanges r = rangesAlong(node, normal);
    std::vector<Query> queries;
    queries.reserve(group.size());
    for (const std::int32_t i : group) queries.push_back(queryFor(r, i, node.plane(i).d));

    // The cut faces: a corner behind and a corner in front. Sweeping the candidates by how many
    // faces have a corner behind, those faces are inserted by their rank in largest s.
    std::vector<std::size_t> order(queries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return queries[x].behind < queries[y].behind; });
    const std::size_t n = r.lows.size();
    RankCounter inserted(n);
    std::size_t next = 0;
    for (const std::size_t q : order) {
        const Query& query = queries[q];
        while (next < query.behind) inserted.insert(r.highRank[r.byLow[next++]]);
        const std::int32_t cut = inserted.atLeast(n - query.inFront);
        SideTally tally{static_cast<std::int32_t>(query.inFront) - cut, static_cast<std::int32_t>(query.behind) - cut, cut};
        // The irregular faces one by one; then the candidate's own face comes off.
        const Plane& plane = node.plane(query.candidate);
        for (const std::uint32_t f : r.irregular) tally.add(node.classifyOwn(plane, f));
        tally.add(node.classifyOwn(plane, static_cast<std::size_t>(query.candidate)), -1);
        counts.candidates[static_cast<std::size_t>(query.candidate)] = CandidateCounts{tally, true};
    }
}

namespace {

// A normal shared by at least this many candidates with distinct planes, and by at least one in
// `sweepShare` of the node's faces, is counted by the sweep: sorting the node once costs about as
// much as searching the boxes for a few dozen candidates.
constexpr std::size_t sweepMinimum = 8;
constexpr std::size_t sweepShare = 64;

} // namespace

std::vector<std::int32_t> sweepSharedNormals(const PreparedNode& node, std::vector<std::int32_t>& unknown,
                                             NodeCounts& counts) {
    const std::size_t faceCount = node.faces->size();
    // Group the candidates with a finite plane by their normal's bits.
    std::vector<std::int32_t> finite;
    std::vector<PlaneKey> normals;
    for (const std::int32_t i : unknown) {
        const Plane& p = node.plane(i);
        if (!std::isfinite(p.a) || !std::isfinite(p.b) || !std::isfinite(p.c) || !std::isfinite(p.d)) continue;
        finite.push_back(i);
        normals.push_back(normalKey(p));
    }
    std::vector<std::int32_t> normalId;
    std::vector<std::vector<std::int32_t>> byNormal(numberKeys(normals, normalId));
    std::vector<std::size_t> sizes(byNormal.size(), 0);
    for (const std::int32_t g : normalId) ++sizes[static_cast<std::size_t>(g)];
    for (std::size_t k = 0; k < finite.size(); ++k) {
        const auto g = static_cast<std::size_t>(normalId[k]);
        if (sizes[g] >= sweepMinimum && sizes[g] * sweepShare >= faceCount) byNormal[g].push_back(finite[k]);
    }
    std::vector<std::int32_t> swept;
    for (const std::vector<std::int32_t>& group : byNormal) {
        if (group.empty()) continue;
        // Candidates with one plane are already counted once between them.
        std::vector<std::uint32_t> ds;
        ds.reserve(group.size());
        for (const std::int32_t i : group) ds.push_back(floatBits(node.plane(i).d));
        std::sort(ds.begin(), ds.end());
        const auto distinct = static_cast<std::size_t>(std::unique(ds.begin(), ds.end()) - ds.begin());
        if (distinct < sweepMinimum || distinct * sweepShare < faceCount) continue;
        countByNormalSweep(node, group, counts);
        swept.insert(swept.end(), group.begin(), group.end());
    }
    if (!swept.empty()) {
        std::vector<bool> isSwept(faceCount, false);
        for (const std::int32_t i : swept) isSwept[static_cast<std::size_t>(i)] = true;
        std::erase_if(unknown, [&](std::int32_t i) { return isSwept[static_cast<std::size_t>(i)]; });
    }
    return swept;
}

} // namespace norvane
