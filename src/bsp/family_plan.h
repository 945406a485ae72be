// Which of a node's candidates form families (plane_family.h), and when to count a family
// together: once its members, counted one by one over the boxes, have cost half of what counting
// the whole family costs. A family whose members the box search settles cheaply is then never
// counted together, and one whose members are costly (a node where nothing wins and every
// candidate must be proven too costly) is counted after its first few; either way it costs a
// small multiple of the cheaper of the two at most. The tallies are exact both ways, so the
// choice changes no result, whatever the threads do.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "bsp/plane_family.h"
#include "bsp/prepared_node.h"
#include "bsp/side_tally.h"

namespace norvane {

struct FamilyPlan {
    enum Stage { Open, Counting, Counted, Refused };
    struct Family {
        PlaneFamily members;       // its candidates, in order
        std::int64_t passCost = 0; // counting it together, in boxes tested
        std::atomic<std::int64_t> spent{0}; // what its members' box walks have cost so far
        std::atomic<int> stage{Open};
        std::vector<SideTally> tallies; // per sorted plane, once Counted
    };
    std::vector<std::int32_t> familyOf; // per face, its family or -1; empty when there are none
    std::vector<std::int32_t> planeAt;  // per face of a counted family, its plane's place in the tallies
    std::unique_ptr<Family[]> families;
    std::size_t count = 0;
};

// The cost of a leaf tallied, in boxes tested, for charging box walks to families.
constexpr std::int64_t leafCostInBoxes = 13;

// Finds the families among the candidates large enough to be worth counting together.
FamilyPlan planFamilies(const PreparedNode& node, const std::vector<std::int32_t>& candidates);

// Candidate i's exact tally over the node's other faces, when its family has been counted.
bool familyTally(const PreparedNode& node, const FamilyPlan& plan, std::int32_t i, SideTally& tally);

// Charges what counting candidate i over the boxes cost to its family, and counts the family
// together once that has reached half of what counting it together costs. Any thread may call it.
void chargeFamily(const PreparedNode& node, FamilyPlan& plan, std::int32_t i, std::int64_t cost);

} // namespace norvane
