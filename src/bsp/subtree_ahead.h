// A back child's whole subtree, built ahead on a worker while the build goes down the front
// subtree, into a tree of its own:
//   - its faces' corners renumbered into a vertex list of its own, the vertices copied from the
//     build first and then those its cuts make (the build's list grows, and moves, meanwhile);
//   - its nodes numbered from 0 in the order the build makes them, depth first;
//   - the progress it reports recorded, its counters counted from zero.
// When the build reaches the child, the subtree is spliced in: its nodes and new vertices are
// appended with their numbers moved on, its progress is replayed with the counters moved on,
// and the build carries on as if it had built the subtree itself, to the byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "bsp/bsp_tree.h"
#include "bsp/face_origin.h"
#include "bsp/partition.h"
#include "bsp/worker_pool.h"

namespace norvane {

// The parent a child's counts are derived from.
struct ChildParent {
    const std::vector<BspFace>& faces;
    NodeCounts& counts; // moved out when the subtree goes ahead
    const std::vector<FaceOrigin>& origin; // per child face
};

// Starts building the subtree of the back child `child` of the node `run` is in (its counts
// derived from `parent` when given), or returns null when that would not pay: no workers, no
// reference hierarchy yet, a small child, a front subtree too small to keep the build busy
// meanwhile, or enough work waiting already. `frontFaces` is the front child's size.
std::shared_ptr<SubtreeAhead> buildAhead(const std::vector<BspFace>& child, const ChildParent* parent,
                                         std::size_t frontFaces, const BspTree& tree, PartitionRun& run);

enum class Spliced { Done, Stopped, BuildHere };

// Waits for the subtree (or builds it here when no worker has begun it) and splices it in at
// node `index`, the last of the tree's nodes: Done. Stopped when it saw the stop flag.
// BuildHere when its cuts would outgrow the vertex limit: the build must build the child
// itself, which fails at the very cut the subtree's would have.
Spliced spliceAhead(SubtreeAhead& ahead, BspTree& tree, std::int32_t index, PartitionRun& run);

} // namespace norvane
