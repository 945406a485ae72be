#include "build/scene_job.h"

#include <chrono>
#include <filesystem>

#include "driver/compile_scene.h"
#include "output/tree_writer.h"
#include "scene/loader.h"

namespace norvane::batch {
namespace {

// An empty scene may take the place of nothing, or of the very tree it makes (a batch run
// again), but of no other file: a scene that lost its faces must not wipe a good tree.
bool emptyTreeWouldReplaceAnother(const BspTree& tree, const std::string& output) {
    std::error_code ec;
    if (tree.faceCount != 0 || !std::filesystem::exists(output, ec)) return false;
    std::vector<std::uint8_t> existing;
    if (!readWholeFile(output, existing)) return true;
    DiscardingConsole quiet;
    const std::string bytes = serializeTree(tree, quiet);
    return std::string(existing.begin(), existing.end()) != bytes;
}

} // namespace

SceneOutcome compileOne(const BatchScene& scene, const JobSettings& settings) {
    const auto start = std::chrono::steady_clock::now();
    SceneOutcome outcome;
    SceneCompileOptions options;
    options.threads = settings.planeThreads;
    options.stopFlag = settings.stopFlag;
    if (!settings.allowEmpty) {
        options.refuseWrite = [&](const BspTree& tree) -> const char* {
            return emptyTreeWouldReplaceAnother(tree, scene.output) ? emptySceneKeepsTree : nullptr;
        };
    }
    DiscardingConsole discard;
    Console& console = settings.keepConsole ? static_cast<Console&>(outcome.console) : discard;
    const SceneCompileResult result = compileScene(scene.input, scene.output, console, options);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    switch (result.status) {
    case SceneCompileStatus::Written:
        outcome.status = SceneStatus::Compiled;
        outcome.nodes = result.nodes;
        outcome.faces = result.faces;
        outcome.depth = result.depth;
        outcome.vertices = result.vertices;
        break;
    case SceneCompileStatus::Failed:
        outcome.status = SceneStatus::Failed;
        outcome.error = result.error;
        break;
    case SceneCompileStatus::Stopped:
        outcome.status = SceneStatus::Stopped;
        break;
    }
    return outcome;
}

} // namespace norvane::batch
