#include "bsp/plane_family.h"

#include <algorithm>
#include <cassert>
#include <cmath>

#include "bsp/sorted_lookup.h"

namespace norvane {
namespace {

// A vertex's sides over the sorted members: behind before notBehind, in front from inFront on,
// in the plane between; each limit is certain only outside its window [first, last).
struct VertexRuns {
    std::uint32_t notBehind, notBehindLast; // window of the limit -0.001
    std::uint32_t inFront, inFrontLast;     // window of the limit +0.001
};

// How far a member's distance can stray from n0.v + d: its normal's difference over the node's
// largest coordinates, and the rounding of both sums and of the float.
double slackOf(const PreparedNode& node, const PlaneFamily& family) {
    double spread[3] = {0, 0, 0}, reach[3] = {0, 0, 0}, largestD = 0;
    for (const std::int32_t i : family.members) {
        const Plane& p = node.plane(i);
        const double n[3] = {p.a, p.b, p.c};
        for (int k = 0; k < 3; ++k) spread[k] = std::max(spread[k], std::fabs(n[k] - family.normal[k]));
        largestD = std::max(largestD, std::fabs(double(p.d)));
    }
    for (const Vertex& v : node.local) {
        reach[0] = std::max(reach[0], std::fabs(double(v.x)));
        reach[1] = std::max(reach[1], std::fabs(double(v.y)));
        reach[2] = std::max(reach[2], std::fabs(double(v.z)));
    }
    double magnitude = largestD, stray = 0;
    for (int k = 0; k < 3; ++k) {
        stray += spread[k] * reach[k];
        magnitude += (std::fabs(family.normal[k]) + spread[k]) * reach[k];
    }
    return stray + 1e-12 * magnitude + 1e-9;
}

std::vector<VertexRuns> vertexRuns(const PreparedNode& node, const PlaneFamily& family,
                                   const std::vector<double>& sortedD) {
    const SortedLookup lookup(sortedD);
    const double slack = slackOf(node, family);
    const double tolerance = planeTolerance;
    std::vector<VertexRuns> runs(node.local.size());
    for (std::size_t v = 0; v < node.local.size(); ++v) {
        const Vertex& p = node.local[v];
        const double t = (family.normal[0] * p.x + family.normal[1] * p.y) + family.normal[2] * p.z;
        // Each window's far end lies at or after its near end: the slack only widens it.
        const double behind = -tolerance - t, front = tolerance - t;
        const std::uint32_t notBehind = lookup.firstAtLeast(behind - slack);
        const std::uint32_t inFront = lookup.firstAbove(front - slack);
        runs[v] = VertexRuns{notBehind, lookup.firstAtLeast(behind + slack, notBehind), inFront,
                             lookup.firstAbove(front + slack, inFront)};
    }
    return runs;
}

// The side the runs give a face at member j.
Side runSide(std::uint32_t j, std::uint32_t anyFront, std::uint32_t anyBack) {
    const bool front = j >= anyFront, back = j < anyBack;
    return front ? (back ? Spanning : Front) : (back ? Back : On);
}

// Classifies face f exactly against the members whose limits it is near, correcting `fix`
// from the runs' side to the exact one. Returns how many it classified; `near` is scratch.
std::size_t correctFace(const PreparedNode& node, const PlaneFamily& family, std::size_t f,
                        const std::array<const VertexRuns*, 3>& r, std::uint32_t anyFront, std::uint32_t anyBack,
                        std::vector<SideTally>& fix, std::vector<std::uint32_t>& near) {
    near.clear();
    for (const VertexRuns* c : r) {
        for (std::uint32_t j = c->notBehind; j < c->notBehindLast; ++j) near.push_back(j);
        for (std::uint32_t j = c->inFront; j < c->inFrontLast; ++j) near.push_back(j);
    }
    std::sort(near.begin(), near.end());
    near.erase(std::unique(near.begin(), near.end()), near.end());
    const std::array<std::uint32_t, 3>& c = node.corners[f];
    for (const std::uint32_t j : near) {
        const Side exact =
            classifyTriangle(node.plane(family.members[j]), node.local[c[0]], node.local[c[1]], node.local[c[2]]);
        fix[j].add(runSide(j, anyFront, anyBack), -1);
        fix[j].add(exact, 1);
    }
    return near.size();
}

} // namespace

std::vector<SideTally> tallyFamily(const PreparedNode& node, const PlaneFamily& family, std::size_t maxCorrections) {
    const std::size_t k = family.members.size();
    std::vector<double> sortedD(k);
    for (std::size_t j = 0; j < k; ++j) sortedD[j] = node.plane(family.members[j]).d;
    const std::vector<VertexRuns> runs = vertexRuns(node, family, sortedD);
    // Per face: behind the members before min(anyFront, anyBack), cut from anyFront up to
    // anyBack, in front from max(anyFront, anyBack) on, in the plane between otherwise.
    std::vector<std::int32_t> frontFrom(k + 1, 0), backUpTo(k + 1, 0), spanChange(k + 1, 0);
    std::vector<SideTally> fix(k);
    std::vector<std::uint32_t> near;
    std::size_t corrections = 0;
    for (std::size_t f = 0; f < node.corners.size(); ++f) {
        const std::array<std::uint32_t, 3>& c = node.corners[f];
        const std::array<const VertexRuns*, 3> r{&runs[c[0]], &runs[c[1]], &runs[c[2]]};
        const std::uint32_t anyFront = std::min({r[0]->inFront, r[1]->inFront, r[2]->inFront});
        const std::uint32_t anyBack = std::max({r[0]->notBehind, r[1]->notBehind, r[2]->notBehind});
        ++frontFrom[std::max(anyFront, anyBack)];
        ++backUpTo[std::min(anyFront, anyBack)];
        if (anyFront < anyBack) ++spanChange[anyFront], --spanChange[anyBack];
        bool nearLimit = false;
        for (const VertexRuns* v : r) nearLimit |= v->notBehind < v->notBehindLast || v->inFront < v->inFrontLast;
        if (!nearLimit) continue;
        corrections += correctFace(node, family, f, r, anyFront, anyBack, fix, near);
        if (corrections > maxCorrections) return {};
    }
    std::vector<SideTally> tally(k);
    std::int32_t front = 0, back = static_cast<std::int32_t>(node.corners.size()), span = 0;
    for (std::size_t j = 0; j < k; ++j) {
        front += frontFrom[j];
        back -= backUpTo[j];
        span += spanChange[j];
        tally[j] = SideTally{front, back, span};
        tally[j].add(fix[j]);
    }
    return tally;
}

} // namespace norvane
