#include "bsp/plane_choice.h"

#include <cassert>

#include "bsp/candidate_scan.h"
#include "bsp/corner_block.h"
#include "common/cores.h"

namespace norvane {

std::int32_t choosePlaneReference(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices,
                                  std::int64_t giveUpScore) {
    const auto n = static_cast<std::int32_t>(faces.size());
    std::int32_t best = -1;
    std::int64_t bestScore = giveUpScore;
    SideTally total;
    for (std::int32_t i = 0; i < n; ++i) {
        SideTally tally;
        for (std::int32_t j = 0; j < n; ++j)
            if (j != i)
                tally.add(classifyFace(faces[static_cast<std::size_t>(i)].plane, faces[static_cast<std::size_t>(j)],
                                       vertices));
        total.add(tally);
        if (beatsBest(tally.score(), i, bestScore, best)) {
            bestScore = tally.score();
            best = i;
        }
    }
    return (total.span != 0 || (total.front != 0 && total.back != 0)) ? best : -1;
}

namespace {

// A node with at most this many unknown candidates, or at most this many pairs of an unknown
// candidate and a face, counts them against every face without preparing the node: a vector
// pass over a hundred faces costs less than building boxes and walking them (a height field's
// boxes settle few of its candidates cheaply), while a city's many larger nodes still pay for
// their boxes.
constexpr std::size_t directCandidates = 16;
constexpr std::size_t directPairs = 16384;

// Offers the candidates whose counts are known and returns the others. Sizes the counts to the
// faces when nothing is known yet. The known ones are offered in index order, so the earliest
// of equal scores wins by a plain "lower than"; a node whose counts were all handed down (each
// level of a deep tree) allocates no list.
std::vector<std::int32_t> takeKnownCounts(std::size_t faceCount, NodeCounts& counts, ScanResult& result) {
    assert(result.best < 0 && "nothing offered before");
    if (counts.candidates.empty()) counts.candidates.assign(faceCount, CandidateCounts{});
    assert(counts.candidates.size() == faceCount && "one entry per face");
    if (const NodeCounts::Summary& known = counts.summary; known.complete) {
        result.anyFront |= known.anyFront;
        result.anyBack |= known.anyBack;
        result.anySpan |= known.anySpan;
        if (known.lowest < result.bestScore) result.bestScore = known.lowest, result.best = known.first;
        return {};
    }
    std::vector<std::int32_t> unknown;
    std::int64_t bestScore = result.bestScore;
    std::int32_t best = -1;
    bool anyFront = false, anyBack = false, anySpan = false;
    for (std::size_t i = 0; i < faceCount; ++i) {
        const CandidateCounts& c = counts.candidates[i];
        if (!c.known) {
            unknown.push_back(static_cast<std::int32_t>(i));
            continue;
        }
        anyFront |= c.tally.front > 0;
        anyBack |= c.tally.back > 0;
        anySpan |= c.tally.span > 0;
        const std::int64_t score = c.tally.score();
        if (score < bestScore) {
            bestScore = score;
            best = static_cast<std::int32_t>(i);
        }
    }
    result.anyFront |= anyFront;
    result.anyBack |= anyBack;
    result.anySpan |= anySpan;
    if (best >= 0) result.bestScore = bestScore, result.best = best;
    return unknown;
}

// Counts a few candidates exactly against every face of the node. The corners are laid out
// once, axis by axis, so each candidate classifies all faces in one vector pass and then takes
// its own face off again.
void countDirectly(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices,
                   const std::vector<std::int32_t>& candidates, NodeCounts& counts, ScanResult& result) {
    if (candidates.empty()) return;
    const std::size_t n = faces.size();
    std::vector<float> scratch(12 * n); // x, y and z of every corner, then their distances
    float *x = scratch.data(), *y = x + 3 * n, *z = y + 3 * n, *distance = z + 3 * n;
    for (std::size_t j = 0; j < n; ++j)
        for (std::size_t k = 0; k < 3; ++k) {
            const Vertex& v = vertices[faces[j].verts[k]];
            x[k * n + j] = v.x, y[k * n + j] = v.y, z[k * n + j] = v.z;
        }
    const CornerBlock block{x, y, z, n, n};
    for (const std::int32_t i : candidates) {
        const Plane& plane = faces[static_cast<std::size_t>(i)].plane;
        SideTally tally;
        tallyBlock(plane, block, distance, tally);
        tally.add(classifyFace(plane, faces[static_cast<std::size_t>(i)], vertices), -1);
        counts.candidates[static_cast<std::size_t>(i)] = CandidateCounts{tally, true};
        result.offer(tally, i);
    }
}

} // namespace

std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices, NodeCounts& counts,
                         std::int64_t giveUpScore, PlaneSearchScratch& scratch) {
    ScanResult result;
    result.bestScore = giveUpScore;
    std::vector<std::int32_t> unknown = takeKnownCounts(faces.size(), counts, result);
    PlaneSearchStats::Row* stats =
        scratch.stats ? &scratch.stats->byNodeSize[PlaneSearchStats::rowOf(faces.size())] : nullptr;
    if (stats) {
        ++stats->nodes;
        stats->faces += static_cast<std::int64_t>(faces.size());
        stats->known += static_cast<std::int64_t>(faces.size() - unknown.size());
    }
    if (unknown.size() <= directCandidates || unknown.size() * faces.size() <= directPairs) {
        countDirectly(faces, vertices, unknown, counts, result);
        if (stats) stats->direct += static_cast<std::int64_t>(unknown.size());
        return result.choice();
    }
    const PreparedNode node = prepareNode(faces, vertices, scratch);
    FamilyPlan families = planFamilies(node, unknown);
    const ScanResult scanned = scanInThreads(node, unknown, result, counts, families, scratch.pool);
    if (stats) {
        ++stats->prepared;
        stats->scan.add(scanned.counters);
    }
    return scanned.choice();
}

std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices) {
    NodeCounts counts;
    WorkerPool pool(availableCores() - 1);
    PlaneSearchScratch scratch;
    scratch.pool = &pool;
    return choosePlane(faces, vertices, counts, defaultGiveUpScore, scratch);
}

} // namespace norvane
