// The batch's scheduler, in-process: --fail-fast, a stop before the start, and the plane
// search's share of the cores. (The trees at any job count are held to norvane end to end.)
#include <gtest/gtest.h>

#include <atomic>
#include <map>

#include "batch/batch_run.h"
#include "scene3ds/generators.h"
#include "support/test_support.h"

namespace norvane::batch {
namespace {

namespace fs = std::filesystem;

struct Recorder : BatchObserver {
    void finished(const BatchScene& scene, const SceneOutcome& outcome, const BatchProgress&) override {
        statuses[scene.input] = outcome.status;
        errors[scene.input] = outcome.error;
        order.push_back(scene.input);
    }
    std::map<std::string, SceneStatus> statuses;
    std::map<std::string, std::string> errors;
    std::vector<std::string> order;
};

// Generated scenes in `dir`, their trees beside them.
std::vector<BatchScene> generated(const fs::path& dir) {
    const std::vector<std::pair<std::string, std::uint32_t>> kinds = {{"arena", 300}, {"city", 800},    {"rock", 400},
                                                                      {"soup", 120},  {"terrain", 300}, {"box", 0}};
    std::vector<BatchScene> scenes;
    std::uint64_t seed = 1;
    for (const auto& [kind, faces] : kinds) {
        const fs::path scene = dir / (kind + ".3ds");
        test::writeBytes(scene, scene3ds::writeScene(scene3ds::generateScene(kind, seed++, faces)));
        scenes.push_back({scene.string(), (dir / (kind + ".bsp")).string()});
    }
    return scenes;
}

TEST(BuildBatchRun, FailFastStartsNothingAfterTheFirstFailure) {
    test::TempDir dir("build-batch-failfast");
    std::vector<BatchScene> scenes = generated(dir.path());
    scenes.insert(scenes.begin() + 2, {(dir / "missing.3ds").string(), (dir / "missing.bsp").string()});
    BatchSettings settings;
    settings.jobs = 1;
    settings.failFast = true;
    Recorder seen;
    const BatchSummary summary = runBatch(scenes, settings, seen);
    EXPECT_EQ(summary.progress.compiled, 2u);
    EXPECT_EQ(summary.progress.failed, 1u);
    EXPECT_EQ(summary.progress.skipped, scenes.size() - 3);
    ASSERT_EQ(seen.order.size(), scenes.size()) << "the skipped scenes are reported too";
    for (std::size_t i = 3; i < scenes.size(); ++i) {
        EXPECT_EQ(seen.statuses[scenes[i].input], SceneStatus::Skipped);
        EXPECT_EQ(seen.errors[scenes[i].input], skippedAfterFailure);
        EXPECT_FALSE(fs::exists(scenes[i].output)) << scenes[i].input;
    }
}

TEST(BuildBatchRun, AStopStartsNoSceneAndReportsNone) {
    test::TempDir dir("build-batch-stop");
    const std::vector<BatchScene> scenes = generated(dir.path());
    const std::atomic<bool> stop{true};
    BatchSettings settings;
    settings.jobs = 2;
    settings.build.stopFlag = &stop;
    Recorder seen;
    const BatchSummary summary = runBatch(scenes, settings, seen);
    EXPECT_TRUE(summary.stopped);
    EXPECT_TRUE(seen.order.empty());
    for (const BatchScene& s : scenes) EXPECT_FALSE(fs::exists(s.output));
}

TEST(BuildBatchRun, ThePlaneSearchSharesTheCoresWithTheScenesAtOnce) {
    EXPECT_EQ(planeThreadsFor(8, 1), 8u);
    EXPECT_EQ(planeThreadsFor(8, 2), 4u);
    EXPECT_EQ(planeThreadsFor(8, 3), 2u);
    EXPECT_EQ(planeThreadsFor(8, 8), 1u);
    EXPECT_EQ(planeThreadsFor(2, 4), 1u) << "never none";
    EXPECT_EQ(planeThreadsFor(64, 1), 8u) << "the search's own limit";
    EXPECT_EQ(planeThreadsFor(0, 1), 1u);
}

} // namespace
} // namespace norvane::batch
