// The build driver: gathers every mesh's vertices and faces into the tree's lists, then builds
// the nodes depth first, printing the progress lines, the spinner and the closing statistics.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>

#include "bsp/bsp_tree.h"
#include "bsp/prepared_node.h"
#include "console/console.h"
#include "console/spinner.h"
#include "scene/scene.h"

namespace norvane {

struct BuildCounters {
    std::int32_t level = 0;       // depth of the node being built; the root is 1
    std::int32_t maxLevel = 0;    // deepest level reached
    std::int32_t faceTotal = 0;   // initial faces plus two for every split
    std::int32_t facesPlaced = 0; // faces stored in finished nodes
    std::int32_t nodesBuilt = 0;
};

struct BuildContext {
    explicit BuildContext(Console& c) : console(c) {}
    Console& console;
    Spinner spinner;
    BuildCounters counters;
    // The straightforward searches (every face against every candidate, linear vertex
    // look-ups): the same tree, slowly; for benchmarks and as an oracle.
    bool straightforward = false;
    // Keeps every face at the root as one leaf, without any plane search: what loading,
    // listing and writing cost alone, the floor a benchmark measures the search against.
    bool skipPlaneSearch = false;
    // Threads for the plane search of large nodes: 0 for the machine's cores (at most eight).
    // Any number builds the same tree.
    unsigned threads = 0;
    // Another thread sets it to stop the build early (an interrupted batch): checked before
    // each node, after which buildTree returns null without an error line. Null: never stops.
    const std::atomic<bool>* stopFlag = nullptr;
    PlaneSearchScratch planeSearch;
    // Wall-clock seconds the build spent on the lists and on the nodes, for benchmarks.
    double listSeconds = 0, nodeSeconds = 0;
};

// Whether the build has been asked to stop (BuildContext::stopFlag).
inline bool stopRequested(const BuildContext& ctx) {
    return ctx.stopFlag && ctx.stopFlag->load(std::memory_order_relaxed);
}

// Builds the tree; null after printing an error line (the tree cannot fit the file format), or
// without one when stopRequested.
std::unique_ptr<BspTree> buildTree(const Scene& scene, BuildContext& ctx);

} // namespace norvane
