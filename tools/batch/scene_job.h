// One scene of a batch: compiled through the compiler's own stages, with the batch's rule on
// top (an empty scene replaces no other existing file unless allowed) and its time measured.
#pragma once

#include <string>

#include <norvane/compile.h>

#include "batch/output_plan.h"
#include "batch/recording_console.h"

namespace norvane::batch {

enum class SceneStatus {
    Compiled, // the tree is written
    Failed,   // nothing written; `error` says why
    Skipped,  // never started: an earlier scene failed under --fail-fast
    Stopped,  // interrupted before it finished; nothing written
};

struct SceneOutcome {
    SceneStatus status = SceneStatus::Failed;
    std::string error; // the reason of a failure, as norvane's error line gives it
    BuildStats stats;  // the written tree's figures; zeros without a tree
    double seconds = 0; // load, build and write
    RecordingConsole console; // what the compile printed, when it was kept
};

// The reason an empty scene does not replace an existing tree.
inline constexpr const char* emptySceneKeepsTree =
    "Scene has no faces - the existing tree is kept (--allow-empty replaces it)";

// The reason a scene was not tried.
inline constexpr const char* skippedAfterFailure = "not compiled, an earlier scene failed (--fail-fast)";

struct BatchSettings;

// Compiles one scene with the batch's settings, its plane search on `planeThreads` threads.
SceneOutcome compileOne(const BatchScene& scene, const BatchSettings& settings, unsigned planeThreads);

} // namespace norvane::batch
