// The partitioner: builds the nodes depth first, front subtree before back subtree, reporting
// each phase of each node to the progress observer.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "bsp/bsp_tree.h"
#include "bsp/prepared_node.h"
#include "bsp/side_tally.h"
#include "norvane/compile.h"

namespace norvane {

struct BuildCounters {
    std::int32_t level = 0;       // depth of the node being built; the root is 1
    std::int32_t maxLevel = 0;    // deepest level reached
    std::int32_t faceTotal = 0;   // initial faces plus two for every split
    std::int32_t facesPlaced = 0; // faces stored in finished nodes
    std::int32_t nodesBuilt = 0;
};

// Workers for a build that began without them: between two nodes, once `due` says so (given
// the counters and the faces of the node about to be built), `start` starts them and the
// search shares its work with them from then on.
struct LateWorkers {
    std::function<bool(const BuildCounters&, std::size_t)> due;
    std::function<WorkerPool*()> start;
};

// What one partitioning run works with: its options, the observer (never null: a silent one
// stands in), the search's scratch kept across nodes, the counters the progress shows, and the
// workers it may start on the way.
struct PartitionRun {
    BuildOptions options;
    CompileProgress& progress;
    std::size_t maxVertices; // the vertex list may not outgrow the tree file's counts
    PlaneSearchScratch scratch;
    BuildCounters counters;
    LateWorkers late;
};

struct SubtreeAhead;

// A list of faces on its way to a node, with what is known of its candidates' counts, or the
// subtree built ahead from it (subtree_ahead.h).
struct NodeInput {
    std::vector<BspFace> faces;
    NodeCounts counts;
    std::shared_ptr<SubtreeAhead> ahead;
};

// Builds the subtree of `input`, whose node is the last of the tree's nodes, at depth
// run.counters.level + 1. Its Stopped and TooManyVerticesAfterCuts are buildNodes'.
BuildErrorCode buildSubtree(BspTree& tree, NodeInput input, PartitionRun& run);

// Builds every node of `tree` from the root's faces. Stopped when the stop flag was seen
// between two nodes, TooManyVerticesAfterCuts when a cut outgrew the vertex limit; None otherwise.
BuildErrorCode buildNodes(BspTree& tree, std::vector<BspFace> rootFaces, PartitionRun& run);

} // namespace norvane
