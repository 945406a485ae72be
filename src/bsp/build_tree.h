// The build driver: gathers every mesh's vertices and faces into the tree's lists, then builds
// the nodes depth first, reporting its stages and closing figures to the progress observer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>

#include "bsp/bsp_tree.h"
#include "bsp/search_stats.h"
#include "norvane/compile.h"
#include "norvane/scene.h"

namespace norvane {

// What a build needs beyond the scene and its options.
struct BuildLimits {
    std::size_t maxVertices; // the vertex list, before and after cuts
    std::size_t maxFaces;    // the initial faces
    // A scene too small to share its work from the start starts its workers once the build of
    // its nodes has taken this long (most such scenes are done sooner), or has built this many
    // nodes (for tests, which need the moment to repeat).
    double workersAfterSeconds = 0.004;
    std::int32_t workersAfterNodes = std::numeric_limits<std::int32_t>::max();
};

// Builds the tree into `tree`, its figures into `stats` (and where the plane search went into
// `searchStats`, when given). None on success; otherwise why it stopped.
BuildErrorCode buildTree(const Scene& scene, const BuildOptions& options, const BuildLimits& limits,
                         CompileProgress& progress, BspTree& tree, BuildStats& stats,
                         PlaneSearchStats* searchStats = nullptr);

} // namespace norvane
