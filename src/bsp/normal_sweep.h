// Exact side counts for many candidates that share one normal, without classifying every face
// against every candidate.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "bsp/plane_choice.h"

namespace norvane {

// Level geometry has many faces with bit-identical normals (every floor, every wall of one
// orientation); their planes differ only in d. A point's distance is
// float(s + d) with s = (a*x + b*y) + c*z summed in double, and rounding is monotone, so with
// each face's smallest and largest s sorted once, the faces with a corner behind, and those with
// a corner in front, of any such plane are found by binary search; the faces with both (the cut
// ones) are counted by one sweep over the candidates in order of d.
//
// `corners` numbers the corners of `faces` into `local`. `group` lists candidates whose planes
// have the same finite a, b and c and a finite d. Fills in the exact counts of each.
void countByNormalSweep(const std::vector<BspFace>& faces, const std::vector<std::array<std::uint32_t, 3>>& corners,
                        const std::vector<Vertex>& local, const std::vector<std::int32_t>& group, NodeCounts& counts);

} // namespace norvane
