// Exact side counts for many candidates that share one normal, without classifying every face
// against every candidate.
//
// Level geometry has many faces with bit-identical normals (every floor, every wall of one
// orientation); their planes differ only in d. A point's distance is float(s + d) with
// s = (a*x + b*y) + c*z summed in double, and rounding is monotone, so with each face's
// smallest and largest s sorted once, the faces with a corner behind, and those with a corner
// in front, of any such plane are found by binary search; the faces with both (the cut ones)
// are counted by one sweep over the candidates in order of d.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/prepared_node.h"
#include "bsp/side_tally.h"

namespace norvane {

// Fills in the exact counts of every candidate of `group`: candidates whose planes have the
// same finite a, b and c and a finite d.
void countByNormalSweep(const PreparedNode& node, const std::vector<std::int32_t>& group, NodeCounts& counts);

// Counts by sweeps the candidates of `unknown` whose normal enough of the node's faces share to
// pay for the sorting, records their counts and takes them out of `unknown`. Returns them.
std::vector<std::int32_t> sweepSharedNormals(const PreparedNode& node, std::vector<std::int32_t>& unknown,
                                             NodeCounts& counts);

} // namespace norvane
