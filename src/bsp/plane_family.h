// Candidates whose planes have nearly one normal, counted all at once.
//
// Stacks of alike shapes, walls that share an axis and terraces give a node many candidates
// whose normals agree to rounding and whose d differ. Take one normal n0 for such a family and
// sort its members by d: a vertex at t = n0.v is then, approximately, behind the members whose d
// lies below -0.001 - t and in front of those above 0.001 - t, so each vertex's sides over the
// sorted members are a few runs found by searches, and each face's sides, from its corners',
// are four consecutive runs: behind, cut, in the plane, in front. Adding up runs gives every
// member's tally for a few operations per vertex and per face, where counting members one by one
// walks the boxes once each.
//
// The runs are exact except near their ends: where a member's d is within the family's slack
// (how far its normal strays from n0 over the node's extent, and the rounding) of a vertex's
// limit, the face is classified exactly against that member and the tally corrected. So every
// tally is exact, whatever the slack; a family whose corrections would cost more than counting
// is left to the box search.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bsp/prepared_node.h"
#include "bsp/side_tally.h"

namespace norvane {

// One family: its members (face indices), the number of distinct planes among them, and the
// normal their sides are approximated with.
struct PlaneFamily {
    std::vector<std::int32_t> members;
    std::size_t planes = 0;
    double normal[3] = {0, 0, 0};
};

// Each plane's exact tally over the node's faces, its own face included, for `members` sorted
// by d (distinct planes, all near `normal`); empty when the corrections would exceed
// `maxCorrections` face classifications. Every plane and every vertex of the node must be finite.
std::vector<SideTally> tallyFamily(const PreparedNode& node, const PlaneFamily& sorted, std::size_t maxCorrections);

} // namespace norvane
