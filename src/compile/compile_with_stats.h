// The compile with where its plane search went, for the benchmark's --stats and the tests.
#pragma once

#include "bsp/search_stats.h"
#include "norvane/compile.h"

namespace norvane {

// compileScene, gathering the plane search's statistics into `searchStats` when given.
bool compileSceneWithStats(const Scene& scene, TreeFile& tree, BuildError& error, const BuildOptions& options,
                           CompileProgress* progress, BuildStats* stats, PlaneSearchStats* searchStats);

} // namespace norvane
