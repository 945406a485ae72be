#include "bsp/normal_sweep.h"

#include <algorithm>
#include <cmath>
#include <numeric>

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

} // namespace

void countByNormalSweep(const std::vector<BspFace>& faces, const std::vector<std::array<std::uint32_t, 3>>& corners,
                        const std::vector<Vertex>& local, const std::vector<std::int32_t>& group, NodeCounts& counts) {
    const Plane& normal = faces[static_cast<std::size_t>(group.front())].plane;
    const double a = normal.a, b = normal.b, c = normal.c;
    // s of every vertex, summed exactly as a point's distance is before d is added.
    std::vector<double> s(local.size());
    for (std::size_t v = 0; v < local.size(); ++v) s[v] = (a * local[v].x + b * local[v].y) + c * local[v].z;

    // Faces with a corner whose s is NaN (a NaN corner is always behind) are classified one by
    // one; the others by their smallest and largest s.
    std::vector<std::uint32_t> regular, irregular;
    std::vector<double> low(faces.size()), high(faces.size());
    for (std::size_t f = 0; f < faces.size(); ++f) {
        const double s0 = s[corners[f][0]], s1 = s[corners[f][1]], s2 = s[corners[f][2]];
        if (std::isnan(s0) || std::isnan(s1) || std::isnan(s2)) {
            irregular.push_back(static_cast<std::uint32_t>(f));
            continue;
        }
        low[f] = std::min({s0, s1, s2});
        high[f] = std::max({s0, s1, s2});
        regular.push_back(static_cast<std::uint32_t>(f));
    }
    const std::size_t n = regular.size();
    std::vector<std::uint32_t> byLow = regular, byHigh = regular;
    std::sort(byLow.begin(), byLow.end(), [&](std::uint32_t x, std::uint32_t y) { return low[x] < low[y]; });
    std::sort(byHigh.begin(), byHigh.end(), [&](std::uint32_t x, std::uint32_t y) { return high[x] < high[y]; });
    std::vector<double> lows(n), highs(n);
    std::vector<std::uint32_t> highRank(faces.size(), 0);
    for (std::size_t k = 0; k < n; ++k) {
        lows[k] = low[byLow[k]];
        highs[k] = high[byHigh[k]];
        highRank[byHigh[k]] = static_cast<std::uint32_t>(k);
    }

    // Per candidate: the faces with a corner behind are the first `behind` by smallest s, those
    // with a corner in front the last `inFront` by largest s (equal values share their side).
    struct Query {
        std::int32_t candidate;
        std::size_t behind, inFront;
    };
    std::vector<Query> queries;
    queries.reserve(group.size());
    for (const std::int32_t i : group) {
        const double d = faces[static_cast<std::size_t>(i)].plane.d;
        auto side = [d](double sv) { return sideOfDistance(static_cast<float>(sv + d)); };
        const auto behind = std::partition_point(lows.begin(), lows.end(), [&](double v) { return side(v) == Back; });
        const auto notFront =
            std::partition_point(highs.begin(), highs.end(), [&](double v) { return side(v) != Front; });
        queries.push_back({i, static_cast<std::size_t>(behind - lows.begin()), static_cast<std::size_t>(highs.end() - notFront)});
    }
    // The cut faces: a corner behind and a corner in front. Sweeping the candidates by how many
    // faces have a corner behind, those faces are inserted by their rank in largest s.
    std::vector<std::size_t> order(queries.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) { return queries[x].behind < queries[y].behind; });
    RankCounter inserted(n);
    std::size_t next = 0;
    for (const std::size_t q : order) {
        const Query& query = queries[q];
        while (next < query.behind) inserted.insert(highRank[byLow[next++]]);
        const std::int32_t cut = inserted.atLeast(n - query.inFront);
        CandidateCounts& out = counts[static_cast<std::size_t>(query.candidate)];
        out.front = static_cast<std::int32_t>(query.inFront) - cut;
        out.back = static_cast<std::int32_t>(query.behind) - cut;
        out.span = cut;
        out.known = true;
        // The irregular faces one by one; then the candidate's own face comes off.
        const Plane& plane = faces[static_cast<std::size_t>(query.candidate)].plane;
        auto classifyLocal = [&](std::size_t f) {
            return classifyTriangle(plane, local[corners[f][0]], local[corners[f][1]], local[corners[f][2]]);
        };
        for (const std::uint32_t f : irregular) out.add(classifyLocal(f), 1);
        out.add(classifyLocal(static_cast<std::size_t>(query.candidate)), -1);
    }
}

} // namespace norvane
