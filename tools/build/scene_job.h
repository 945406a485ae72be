// One scene of a batch: compiled through the compiler's own stages, with the batch's rule on
// top (an empty scene replaces no other existing file unless allowed) and its time measured.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>

#include "build/output_plan.h"
#include "build/recording_console.h"

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
    // The written tree's figures (nodes, face records, depth, vertices); zeros without a tree.
    std::int32_t nodes = 0, faces = 0, depth = 0;
    std::size_t vertices = 0;
    double seconds = 0;       // load, build and write
    RecordingConsole console; // what the compile printed, when it was kept
};

struct JobSettings {
    unsigned planeThreads = 1; // BuildContext::threads
    bool allowEmpty = false;
    bool keepConsole = false;
    const std::atomic<bool>* stopFlag = nullptr;
};

// The reason an empty scene does not replace an existing tree.
inline constexpr const char* emptySceneKeepsTree =
    "Scene has no faces - the existing tree is kept (--allow-empty replaces it)";

// The reason a scene was not tried.
inline constexpr const char* skippedAfterFailure = "not compiled, an earlier scene failed (--fail-fast)";

SceneOutcome compileOne(const BatchScene& scene, const JobSettings& settings);

} // namespace norvane::batch
