// Choosing a node's splitting plane among the planes of its own faces.
//
// The rule: every face's plane is a candidate; its score is |front - back| * 5 + cut * 75 over
// the node's other faces; the lowest score below the give-up score (65535 unless asked
// otherwise) wins, the earlier face on ties. The node is a leaf (-1) when no face crosses
// another's plane and the faces are never in front of each other's planes or never behind them,
// or when no candidate scores below the give-up score.
// choosePlaneReference does exactly that, every face against every candidate.
//
// choosePlane gives the same answer without classifying every pair, in these steps:
//   1. counts known:  a child takes the exact counts derived from its parent's (child_counts.h);
//   2. direct:        a node with a few unknown candidates counts them face by face;
//   3. preparation:   otherwise the node's corners are renumbered compactly and a box
//                     hierarchy is built over its faces, cut afresh at the root and along the
//                     root's cuts below it (box_hierarchy.h, prepared_node.h); its leaves are
//                     padded blocks tallied in vector loops (corner_block.h);
//   4. scan:          the rest are counted over the boxes, a box beyond the tolerance band at
//                     once, and abandoned as soon as a lower bound shows they cannot win;
//                     candidates with one plane are counted once between them; large nodes
//                     share the candidates with the build's workers (candidate_scan.h);
//                     families of nearly parallel candidates whose members prove costly are
//                     counted together, every member exactly, in one pass (family_plan.h);
//   5. merge:         the lowest score, the lower index on ties, and the sides seen by any step
//                     decide the plane or the leaf.
// Every candidate counted in full has its counts recorded, so the children can derive theirs.
#pragma once

#include <cstdint>
#include <vector>

#include "bsp/bsp_tree.h"
#include "bsp/prepared_node.h"
#include "bsp/side_tally.h"

namespace norvane {

// Index of the face whose plane splits the node best, or -1 when the node is a leaf.
// `counts` holds what is known of the candidates (sized to the faces, or empty when nothing is
// known); every candidate counted in full is recorded in it. `scratch` is kept by the caller
// across nodes; a large node shares its candidates with the workers of its pool, if it has one,
// and any number of workers gives the same answer.
std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices, NodeCounts& counts,
                         std::int64_t giveUpScore, PlaneSearchScratch& scratch);

// The same with nothing known, on the machine's cores.
std::int32_t choosePlane(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices);

// The straightforward search, every face against every candidate; the oracle of choosePlane.
std::int32_t choosePlaneReference(const std::vector<BspFace>& faces, const std::vector<Vertex>& vertices,
                                  std::int64_t giveUpScore = defaultGiveUpScore);

} // namespace norvane
