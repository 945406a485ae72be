// Runs a batch: N scenes at once on worker threads, each compiled on its own with its own
// build state; results are handed to an observer on the calling thread, in the order the
// scenes finish.
#pragma once

#include <cstddef>
#include <vector>

#include <norvane/compile.h>

#include "batch/output_plan.h"
#include "batch/scene_job.h"

namespace norvane::batch {

struct BatchSettings {
    unsigned jobs = 1;  // scenes at once
    unsigned cores = 1; // the machine's cores, shared by the plane searches
    bool failFast = false;
    bool allowEmpty = false;
    bool gltf = false; // write each tree's glTF (.glb) beside it
    bool keepConsoles = false;
    // What every scene is built with; its stop flag, once set, starts no scene and stops those
    // running. The threads are each scene's share of the cores (planeThreadsFor).
    BuildOptions build;
};

struct BatchProgress {
    std::size_t total = 0, compiled = 0, failed = 0, skipped = 0, running = 0;
    double seconds = 0; // since the batch began
    std::size_t finished() const { return compiled + failed + skipped; }
};

class BatchObserver {
public:
    virtual ~BatchObserver() = default;
    // A scene has finished (or, under --fail-fast, was skipped); `progress` counts it.
    virtual void finished(const BatchScene& scene, const SceneOutcome& outcome, const BatchProgress& progress) = 0;
    // Called a few times a second while the batch runs.
    virtual void tick(const BatchProgress&) {}
};

struct BatchSummary {
    BatchProgress progress;
    bool stopped = false; // the stop flag ended the batch early
};

// The plane search's threads for a scene that starts while `atOnce` scenes (itself included)
// can be compiling: the cores divided among them, at least one and at most eight (the
// search's own limit). With as many jobs as cores every search keeps to its scene's thread;
// once fewer scenes are left than jobs, the last ones get the cores the others freed.
unsigned planeThreadsFor(unsigned cores, std::size_t atOnce);

BatchSummary runBatch(const std::vector<BatchScene>& scenes, const BatchSettings& settings, BatchObserver& observer);

} // namespace norvane::batch
