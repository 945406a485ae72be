#include "bsp/candidate_scan.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <limits>

#include "bsp/corner_block.h"

namespace norvane {
namespace {

// Nodes at least this large share their candidates with the workers, each part every k-th one.
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
    if (box.vertexSlots > 0) {
        tallyVertexBlock(plane, h.vertexBlock(box), tally);
        return;
    }
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

namespace {

// How one candidate's count over the boxes ended: given up, and what it opened.
struct BoxWalk {
    bool abandoned = false;
    std::int64_t boxes = 0, leaves = 0;
};

// Counts the faces of the boxes into `tally`, breadth first: the big boxes that lie wholly on
// one side are counted early, so a lopsided candidate is abandoned before its small boxes are
// opened. The root is tested alone, every box below it with its sibling, the pair at once and
// without a branch on where they fall; only an opened leaf takes one. `queue` has room for
// every pair (each enters at most once, by its first box).
BoxWalk walkBoxes(const PreparedNode& node, std::int32_t i, bool mayAbandon, const ScanResult& r,
                  const SharedScan* shared, std::int64_t remaining, SideTally& tally,
                  std::vector<std::int32_t>& queue) {
    const BoxHierarchy& h = node.boxes;
    const Plane& plane = node.plane(i);
    const PlaneBoxTest test(plane);
    // The best is taken as it stands when the walk begins: the candidate is given up once its
    // lowest final score reaches `limit` (one more than the best's score when it would win the
    // tie; one more than the other parts' best, whose index is not known).
    const bool canAbandon =
        mayAbandon && (r.decided() || (shared && shared->decided.load(std::memory_order_relaxed)));
    std::int64_t limit = beatsBest(r.bestScore, i, r.bestScore, r.best) ? r.bestScore + 1 : r.bestScore;
    if (shared) {
        const std::int64_t others = shared->bestScore.load(std::memory_order_relaxed);
        if (others < std::numeric_limits<std::int64_t>::max()) limit = std::min(limit, others + 1); // else no give-up
    }
    SideTally t = tally; // kept local, so the loop need not write it back at every box
    BoxWalk walk;
    std::size_t queued = 0;
    if (remaining > 0) {
        const HierarchyBox& root = h.boxes[0];
        const Side whole = test.side(root.bounds);
        walk.boxes = 1;
        if (whole == On && root.left >= 0) {
            queue[queued++] = root.left;
        } else if (whole != On) {
            t.add(whole, static_cast<std::int32_t>(root.count));
            remaining -= root.count;
        } else { // a root that is a leaf
            tallyLeafBox(plane, h, root, t);
            ++walk.leaves;
            remaining -= root.count;
        }
    }
    for (std::size_t next = 0; next < queued; ++next) {
        if (canAbandon && lowestFinalScore(t, remaining) >= limit) {
            walk.abandoned = true;
            break;
        }
        const std::int32_t first = queue[next];
        const BoxPair& pair = h.pairs[BoxHierarchy::pairOf(first)];
        const PairSides s = test.sides(pair);
        walk.boxes += 2;
        for (std::size_t lane = 0; lane < 2; ++lane) {
            const std::uint32_t count = pair.count[lane];
            const std::uint32_t settled = s.front[lane] | s.back[lane];
            t.front += static_cast<std::int32_t>(s.front[lane] * count);
            t.back += static_cast<std::int32_t>(s.back[lane] * count);
            remaining -= settled * count;
            const std::int32_t below = pair.left[lane];
            queue[queued] = below; // kept only when opened and not a leaf
            queued += (settled ^ 1) & static_cast<std::uint32_t>(below >= 0);
            if ((settled | static_cast<std::uint32_t>(below >= 0)) == 0) {
                tallyLeafBox(plane, h, h.boxes[static_cast<std::size_t>(first) + lane], t);
                ++walk.leaves;
                remaining -= count;
            }
        }
    }
    tally = t;
    return walk;
}

// Where a candidate's count starts: its twin's full tally, or every face behind a plane with a
// NaN in it (every distance to it is NaN); false when its twin was abandoned.
bool startTally(const Plane& plane, const SharedTally* twin, std::int64_t n, SideTally& tally, std::int64_t& remaining) {
    remaining = n;
    if (twin && twin->counted) {
        tally = twin->tally;
        remaining = 0;
    } else if (twin && twin->abandoned) {
        return false;
    } else if (hasNan(plane)) {
        tally.back = static_cast<std::int32_t>(n);
        remaining = 0;
    }
    return true;
}

// Lowers the shared best to `score` unless it is lower already.
void lowerShared(SharedScan& shared, std::int64_t score) {
    std::int64_t seen = shared.bestScore.load(std::memory_order_relaxed);
    while (score < seen && !shared.bestScore.compare_exchange_weak(seen, score, std::memory_order_relaxed)) {
    }
}

// Records a candidate's exact tally and offers it, telling the other parts what changed.
void record(std::int32_t i, const SideTally& tally, NodeCounts& counts, ScanResult& r, SharedScan* sharedScan) {
    counts.candidates[static_cast<std::size_t>(i)] = CandidateCounts{tally, true};
    r.offer(tally, i);
    if (sharedScan) {
        if (r.best == i) lowerShared(*sharedScan, r.bestScore);
        // Written once: a store at every candidate would pull the line from the other core.
        if (r.decided() && !sharedScan->decided.load(std::memory_order_relaxed))
            sharedScan->decided.store(true, std::memory_order_relaxed);
    }
}

} // namespace

ScanResult scanCandidates(const PreparedNode& node, const std::vector<std::int32_t>& candidates, ScanResult r,
                          NodeCounts& counts, FamilyPlan& plan, SharedScan* sharedScan) {
    assert(counts.candidates.size() == node.faces->size());
    const auto n = static_cast<std::int64_t>(node.faces->size());
    std::vector<SharedTally> shared(node.sharedPlanes);
    std::vector<std::int32_t> queue(node.boxes.boxes.size());
    const bool families = !plan.familyOf.empty(); // most nodes have none: skip the calls
    r.counters = {};
    for (std::size_t u = 0; u < candidates.size(); ++u) {
        const std::int32_t i = candidates[u];
        assert((u == 0 || candidates[u - 1] < i) && "candidates in index order");
        SideTally tally;
        if (families && familyTally(node, plan, i, tally)) {
            ++r.counters.familyCounted;
            record(i, tally, counts, r, sharedScan);
            continue;
        }
        const std::int32_t slot = node.sharedSlot[static_cast<std::size_t>(i)];
        SharedTally* twin = slot >= 0 ? &shared[static_cast<std::size_t>(slot)] : nullptr;
        const bool fromTwin = twin && twin->counted;
        // Counting includes the candidate itself; its own side is taken off at the end.
        std::int64_t remaining = 0;
        const bool started = startTally(node.plane(i), twin, n, tally, remaining);
        if (fromTwin || !started) ++r.counters.twinsSettled;
        if (!started) continue;
        const BoxWalk walk = walkBoxes(node, i, !counts.handedDown, r, sharedScan, remaining, tally, queue);
        if (families) chargeFamily(node, plan, i, walk.boxes + leafCostInBoxes * walk.leaves);
        // Abandoning needs the leaf rule decided already, so an abandoned candidate's partial
        // tally is not needed for it.
        if (walk.abandoned) {
            if (twin) twin->abandoned = true;
            ((tally.span - 1) * splitWeight >= r.bestScore ? r.counters.abandonedByCuts
                                                           : r.counters.abandonedByBalance)++;
            r.counters.abandonedBoxes += walk.boxes;
            r.counters.abandonedLeaves += walk.leaves;
            continue;
        }
        if (!fromTwin) {
            ++r.counters.counted;
            r.counters.countedBoxes += walk.boxes;
            r.counters.countedLeaves += walk.leaves;
        }
        if (twin && !twin->counted) *twin = SharedTally{true, false, tally};
        tally.add(node.classifyOwn(node.plane(i), static_cast<std::size_t>(i)), -1);
        record(i, tally, counts, r, sharedScan);
    }
    return r;
}

namespace {

// The candidates dealt out to `parts` lists, each in index order: a plane that several faces
// share goes wholly to one list, so it is counted (or given up) once, not once per part; the
// others are dealt in turns of `chunk`, which spreads cheap and costly ones alike while each
// part writes counts of its own (four to a cache line) rather than every other one.
std::vector<std::vector<std::int32_t>> shareOut(const PreparedNode& node, const std::vector<std::int32_t>& candidates,
                                                std::size_t parts) {
    constexpr std::size_t chunk = 16;
    std::vector<std::vector<std::int32_t>> lists(parts);
    for (std::vector<std::int32_t>& list : lists) list.reserve(candidates.size() / parts + 1);
    std::size_t turn = 0;
    for (const std::int32_t i : candidates) {
        const std::int32_t slot = node.sharedSlot[static_cast<std::size_t>(i)];
        const std::size_t part = slot >= 0 ? static_cast<std::size_t>(slot) % parts : turn++ / chunk % parts;
        lists[part].push_back(i);
    }
    return lists;
}

} // namespace

ScanResult scanInThreads(const PreparedNode& node, const std::vector<std::int32_t>& candidates, const ScanResult& start,
                         NodeCounts& counts, FamilyPlan& plan, WorkerPool* pool) {
    // The parts' results merge exactly: the lowest score, the lower index on ties, and the
    // sides seen by any of them.
    const std::size_t parts = pool && node.faces->size() >= parallelFaces ? pool->workers() + 1 : 1;
    if (parts == 1) {
        ScanResult merged = start;
        merged.merge(scanCandidates(node, candidates, start, counts, plan));
        return merged;
    }
    const std::vector<std::vector<std::int32_t>> lists = shareOut(node, candidates, parts);
    std::vector<ScanResult> results(parts);
    std::vector<WorkerPool::TaskHandle> tasks;
    SharedScan shared(start);
    for (std::size_t t = 1; t < parts; ++t)
        tasks.push_back(pool->submit(
            [&, t] { results[t] = scanCandidates(node, lists[t], start, counts, plan, &shared); }));
    try {
        results[0] = scanCandidates(node, lists[0], start, counts, plan, &shared);
    } catch (...) {
        pool->finishAll(tasks); // they use this frame's lists and results
        throw;
    }
    pool->finishAll(tasks);
    ScanResult merged = start;
    for (const ScanResult& r : results) merged.merge(r);
    return merged;
}

} // namespace norvane
