#include "bsp/candidate_scan.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <system_error>
#include <thread>

#include "bsp/corner_block.h"

namespace norvane {
namespace {

// Nodes at least this large are searched by several threads, each over every k-th candidate.
constexpr std::size_t parallelFaces = 512;

// The lowest score a candidate can still end with, from a tally that includes its own face and
// `remaining` faces still to count: every cut so far stays (less one, should the candidate's own
// face be among them), and the imbalance shrinks by at most one per face still to come and one
// for the candidate's own face.
std::int64_t lowestFinalScore(const SideTally& tally, std::int64_t remaining) {
    const std::int64_t imbalance = std::llabs(std::int64_t{tally.front} - tally.back) - remaining - 1;
    return (std::int64_t{tally.span} - 1) * splitWeight + std::max<std::int64_t>(imbalance, 0) * imbalanceWeight;
}

bool hasNan(const Plane& p) { return std::isnan(p.a) || std::isnan(p.b) || std::isnan(p.c) || std::isnan(p.d); }

// Adds one leaf box's faces, classified exactly, to `tally`.
void tallyLeafBox(const Plane& plane, const BoxHierarchy& h, const HierarchyBox& box, SideTally& tally) {
    assert(box.count <= hierarchyLeafSize);
    float distance[3 * paddedBlockFaces];
    tallyBlock(plane, h.leafBlock(box), distance, tally);
}

// What is known of a plane that several candidates share: its tally over all faces (its own
// candidate's face included) once counted in full, or that one of them was abandoned. Once one
// is abandoned, every later one is too: candidates are scanned in index order, and the same
// plane at a later index cannot win where an earlier one could not (the lower bound allows for
// the candidate's own face, and the best only improves).
struct SharedTally {
    bool counted = false;
    bool abandoned = false;
    SideTally tally;
};

} // namespace

ScanResult scanCandidates(const PreparedNode& node, const std::vector<std::int32_t>& candidates, std::size_t first,
                          std::size_t stride, ScanResult r, NodeCounts& counts) {
    assert(counts.candidates.size() == node.faces->size());
    const auto n = static_cast<std::int64_t>(node.faces->size());
    const BoxHierarchy& h = node.boxes;
    std::vector<SharedTally> shared(node.sharedPlanes);
    // Boxes are visited breadth first: the big boxes that lie wholly on one side are counted
    // early, so a lopsided candidate is abandoned before its small boxes are opened.
    std::vector<std::int32_t> queue(h.boxes.size()); // each box enters at most once
    r.counters = {};
    for (std::size_t u = first; u < candidates.size(); u += stride) {
        const std::int32_t i = candidates[u];
        assert((u < first + stride || candidates[u - stride] < i) && "candidates in index order");
        const Plane& plane = node.plane(i);
        const PlaneBoxTest test(plane);
        const std::int32_t slot = node.sharedSlot[static_cast<std::size_t>(i)];
        SharedTally* twin = slot >= 0 ? &shared[static_cast<std::size_t>(slot)] : nullptr;
        // Counting includes the candidate itself; its own side is taken off at the end.
        SideTally tally;
        std::int64_t remaining = n;
        bool abandoned = false;
        const bool fromTwin = twin && twin->counted;
        if (fromTwin) {
            tally = twin->tally;
            remaining = 0;
            ++r.counters.twinsSettled;
        } else if (twin && twin->abandoned) {
            ++r.counters.twinsSettled;
            continue;
        } else if (hasNan(plane)) {
            // Every distance to a plane with a NaN in it is NaN, so every face is behind it.
            tally.back = static_cast<std::int32_t>(n);
            remaining = 0;
        }
        std::size_t queued = remaining > 0 ? 1 : 0;
        queue[0] = 0;
        std::int64_t leaves = 0;
        std::size_t next = 0;
        for (; next < queued; ++next) {
            const HierarchyBox& box = h.boxes[static_cast<std::size_t>(queue[next])];
            const Side whole = test.side(box.bounds);
            if (whole != On) {
                tally.add(whole, static_cast<std::int32_t>(box.count));
            } else if (box.left >= 0) {
                queue[queued++] = box.left;
                queue[queued++] = box.left + 1;
                continue;
            } else {
                tallyLeafBox(plane, h, box, tally);
                ++leaves;
            }
            remaining -= box.count;
            if (!counts.handedDown && r.decided() &&
                !beatsBest(lowestFinalScore(tally, remaining), i, r.bestScore, r.best)) {
                if (twin) twin->abandoned = true;
                abandoned = true;
                ++next;
                break;
            }
        }
        // Abandoning needs the leaf rule decided already, so an abandoned candidate's partial
        // tally is not needed for it.
        if (abandoned) {
            ((tally.span - 1) * splitWeight >= r.bestScore ? r.counters.abandonedByCuts
                                                           : r.counters.abandonedByBalance)++;
            r.counters.abandonedBoxes += static_cast<std::int64_t>(next);
            r.counters.abandonedLeaves += leaves;
            continue;
        }
        if (!fromTwin) {
            ++r.counters.counted;
            r.counters.countedBoxes += static_cast<std::int64_t>(next);
            r.counters.countedLeaves += leaves;
        }
        if (twin && !twin->counted) *twin = SharedTally{true, false, tally};
        tally.add(node.classifyOwn(plane, static_cast<std::size_t>(i)), -1);
        counts.candidates[static_cast<std::size_t>(i)] = CandidateCounts{tally, true};
        r.offer(tally, i);
    }
    return r;
}

ScanResult scanInThreads(const PreparedNode& node, const std::vector<std::int32_t>& candidates, const ScanResult& start,
                         NodeCounts& counts, unsigned threads) {
    // The threads' results merge exactly: the lowest score, the lower index on ties, and the
    // sides seen by any of them.
    if (threads == 0) threads = std::clamp(std::thread::hardware_concurrency(), 1u, 8u);
    const std::size_t workers = node.faces->size() >= parallelFaces ? threads : 1;
    std::vector<ScanResult> results(workers);
    std::vector<std::thread> pool;
    std::vector<std::size_t> here{0}; // the strides this thread scans
    for (std::size_t t = 1; t < workers; ++t) {
        try {
            pool.emplace_back([&, t] { results[t] = scanCandidates(node, candidates, t, workers, start, counts); });
        } catch (const std::system_error&) {
            here.push_back(t); // no thread to be had: the same scan, here
        }
    }
    for (const std::size_t t : here) results[t] = scanCandidates(node, candidates, t, workers, start, counts);
    for (std::thread& w : pool) w.join();
    ScanResult merged = start;
    for (const ScanResult& r : results) merged.merge(r);
    return merged;
}

} // namespace norvane
