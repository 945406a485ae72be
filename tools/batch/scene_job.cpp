#include "batch/scene_job.h"

#include <chrono>
#include <filesystem>

#include <norvane/files.h>

#include "batch/batch_run.h"
#include "driver/compile_file.h"

namespace norvane::batch {
namespace {

// An empty scene may take the place of nothing, or of the very tree it makes (a batch run
// again), but of no other file: a scene that lost its faces must not wipe a good tree. An empty
// tree is a few bytes, so laying it out to compare costs nothing.
bool emptyTreeWouldReplaceAnother(const TreeFile& tree, const std::string& output) {
    std::error_code ec;
    if (tree.faceCount != 0 || !std::filesystem::exists(pathOfArgument(output), ec)) return false;
    std::vector<std::uint8_t> existing, bytes;
    ReadError readError;
    WriteError writeError;
    if (!readWholeFile(pathOfArgument(output), existing, readError, maxTreeFileSize)) return true;
    return !treeFileBytes(tree, bytes, writeError) || existing != bytes;
}

SceneStatus statusOf(SceneFileResult::Status status) {
    switch (status) {
    case SceneFileResult::Status::Written: return SceneStatus::Compiled;
    case SceneFileResult::Status::Stopped: return SceneStatus::Stopped;
    default: return SceneStatus::Failed;
    }
}

} // namespace

SceneOutcome compileOne(const BatchScene& scene, const BatchSettings& settings, unsigned planeThreads) {
    const auto start = std::chrono::steady_clock::now();
    SceneOutcome outcome;
    BuildOptions build = settings.build;
    build.threads = planeThreads;
    RefuseWrite refuse;
    if (!settings.allowEmpty) {
        refuse = [&](const TreeFile& tree) -> const char* {
            return emptyTreeWouldReplaceAnother(tree, scene.output) ? emptySceneKeepsTree : nullptr;
        };
    }
    DiscardingConsole discard;
    Console& console = settings.keepConsoles ? static_cast<Console&>(outcome.console) : discard;
    const SceneFileResult result = compileSceneFile(scene.input, scene.output, console, build, refuse);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.status = statusOf(result.status);
    if (outcome.status == SceneStatus::Compiled) outcome.stats = result.stats;
    if (outcome.status == SceneStatus::Failed) outcome.error = errorLineOf(result);
    return outcome;
}

} // namespace norvane::batch
