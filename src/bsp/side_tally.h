// How a node's faces lie against one candidate plane, the score the plane search ranks
// candidates by, and the one rule that breaks ties.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <vector>

#include "bsp/classify.h"

namespace norvane {

// Plane-search weights: 5 per face of imbalance between front and back, 75 per face cut. A
// candidate must score below the search's give-up score to be chosen at all (65535 unless the
// build is asked otherwise).
constexpr std::int64_t imbalanceWeight = 5;
constexpr std::int64_t splitWeight = 75;
constexpr std::int64_t defaultGiveUpScore = 65535;

// Faces in front of a plane, behind it and cut by it; faces in the plane are not counted.
struct SideTally {
    std::int32_t front = 0, back = 0, span = 0;

    // Counts `n` more faces on `side` (or, with a negative n, fewer).
    void add(Side side, std::int32_t n = 1) {
        if (side == Front) front += n;
        else if (side == Back) back += n;
        else if (side == Spanning) span += n;
    }
    void add(const SideTally& other) {
        front += other.front;
        back += other.back;
        span += other.span;
    }
    std::int64_t score() const {
        return std::llabs(std::int64_t{front} - back) * imbalanceWeight + std::int64_t{span} * splitWeight;
    }
    bool operator==(const SideTally&) const = default;
};

// The tie rule: a lower score wins, and an equal score goes to the earlier candidate. `best` is
// -1 while no candidate has won, and then only a score below `bestScore` wins.
inline bool beatsBest(std::int64_t score, std::int32_t candidate, std::int64_t bestScore, std::int32_t best) {
    return score < bestScore || (score == bestScore && best >= 0 && candidate < best);
}

// A candidate's exact tally over the other faces of its node, when known.
struct CandidateCounts {
    SideTally tally;
    bool known = false;
};

// What is known of the candidates of one node, one entry per face of its list.
struct NodeCounts {
    std::vector<CandidateCounts> candidates;
    // The counts came down from the parent: the tree is peeling a few faces off at a time, so
    // every candidate is counted in full for the next level to derive all of its counts.
    bool handedDown = false;
    // What the plane search takes from known counts, gathered as they came down, when every
    // candidate's did: a deep tree then does not pass over them all once more at each level.
    struct Summary {
        bool complete = false;
        std::int64_t lowest = 0;  // the lowest score
        std::int32_t first = -1;  // the earliest candidate with it
        bool anyFront = false, anyBack = false, anySpan = false;
    } summary;
};

} // namespace norvane
