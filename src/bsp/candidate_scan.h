// Counting candidates over the box hierarchy of a prepared node, abandoning each as soon as it
// cannot win, and the running result that every step of the plane search feeds.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "bsp/family_plan.h"
#include "bsp/prepared_node.h"
#include "bsp/search_stats.h"
#include "bsp/side_tally.h"
#include "bsp/worker_pool.h"

namespace norvane {

// What the candidates offered so far found: the best of them and which sides they saw.
struct ScanResult {
    std::int32_t best = -1;
    std::int64_t bestScore = defaultGiveUpScore; // the give-up score until a candidate wins
    bool anyFront = false, anyBack = false, anySpan = false;
    ScanCounters counters; // what the scan did, for statistics

    // Whether the leaf rule is already decided: some face crosses a candidate's plane, or faces
    // lie both in front of and behind candidate planes. Until then every candidate is counted
    // in full.
    bool decided() const { return anySpan || (anyFront && anyBack); }

    // A candidate counted in full. Candidates are not offered in index order (known counts
    // first, then threads), which the tie rule takes care of.
    void offer(const SideTally& tally, std::int32_t candidate) {
        anyFront |= tally.front > 0;
        anyBack |= tally.back > 0;
        anySpan |= tally.span > 0;
        const std::int64_t score = tally.score();
        if (beatsBest(score, candidate, bestScore, best)) {
            bestScore = score;
            best = candidate;
        }
    }
    void merge(const ScanResult& other) {
        counters.add(other.counters);
        anyFront |= other.anyFront;
        anyBack |= other.anyBack;
        anySpan |= other.anySpan;
        if (other.best >= 0 && beatsBest(other.bestScore, other.best, bestScore, best)) {
            bestScore = other.bestScore;
            best = other.best;
        }
    }
    // The chosen face, or -1 for a leaf.
    std::int32_t choice() const { return decided() ? best : -1; }
};

// What the parts of one node's scan tell each other as they go: the lowest score any has found
// and whether the leaf rule is decided. A candidate whose lowest final score is above a score
// some candidate has cannot win, whatever the indices; so a part gives up against the others'
// best as soon as against its own.
struct SharedScan {
    std::atomic<std::int64_t> bestScore;
    std::atomic<bool> decided;
    explicit SharedScan(const ScanResult& start) : bestScore(start.bestScore), decided(start.decided()) {}
};

// Counts the candidates, given in index order, over the boxes, starting from what `start`
// found, and returns what they add to it (its counters only theirs).
// Abandoning a candidate only needs the best of those counted before it: one that cannot beat a
// real score cannot win.
// Candidates counted in full are recorded in `counts`; when the counts were handed down,
// nothing is abandoned, so that every candidate is recorded. A candidate of one of the plan's
// families takes its tally from the family once that is counted, and charges its box walk to
// it until then. Threads may scan disjoint lists of the same node's candidates at once.
ScanResult scanCandidates(const PreparedNode& node, const std::vector<std::int32_t>& candidates, ScanResult start,
                          NodeCounts& counts, FamilyPlan& plan, SharedScan* shared = nullptr);

// Scans every candidate, sharing them with the workers of `pool` (when there is one) when the
// node is large. Any number of workers gives the same result.
ScanResult scanInThreads(const PreparedNode& node, const std::vector<std::int32_t>& candidates, const ScanResult& start,
                         NodeCounts& counts, FamilyPlan& plan, WorkerPool* pool);

} // namespace norvane
