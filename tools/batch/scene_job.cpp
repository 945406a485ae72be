#include "batch/scene_job.h"

#include <chrono>
#include <filesystem>
#include <new>

#include <norvane/files.h>

#include "batch/batch_run.h"
#include "batch/gltf_beside.h"
#include "console/console_progress.h"
#include "driver/compile_file.h"

namespace norvane::batch {
namespace {

// An empty scene may take the place of nothing, or of the very tree it makes (a batch run
// again), but of no other file: a scene that lost its faces must not wipe a good tree. An empty
// tree is a few bytes, so it is laid out and compared with at most one byte more of the file; a
// device or a FIFO is never read.
bool emptyTreeWouldReplaceAnother(const TreeFile& tree, const std::string& output) {
    if (tree.faceCount != 0) return false;
    const std::filesystem::path path = pathOfArgument(output);
    std::error_code ec;
    const std::filesystem::file_status status = std::filesystem::status(path, ec);
    if (!std::filesystem::exists(status)) return false;
    if (!std::filesystem::is_regular_file(status)) return true;
    std::vector<std::uint8_t> existing, bytes;
    ReadError readError;
    WriteError writeError;
    if (!treeFileBytes(tree, bytes, writeError)) return true;
    if (!readWholeFile(path, existing, readError, bytes.size())) return true; // unreadable, or longer
    return existing != bytes;
}

// Which of version 50's limits the tree broke, or empty.
std::string brokenLimit(const SceneFileResult& result) {
    if (result.status == SceneFileResult::Status::BuildFailed) {
        switch (result.build.code) {
        case BuildErrorCode::TooManyVertices: return "vertices before cuts";
        case BuildErrorCode::TooManyVerticesAfterCuts: return "vertices after cuts";
        case BuildErrorCode::TooManyFaces: return "initial faces";
        default: return {};
        }
    }
    if (result.status == SceneFileResult::Status::WriteFailed) {
        switch (result.write.code) {
        case WriteErrorCode::TooManyVertices: return "vertices after cuts";
        case WriteErrorCode::TooManyFaces: return "initial faces";
        case WriteErrorCode::TooManyMaterials: return "materials";
        case WriteErrorCode::TooManyFacesAtNode: return "faces at one node";
        default: return {};
        }
    }
    return {};
}

// norvane's reason, and for a tree too large for version 50 which limit it broke and that
// version 51 holds it.
std::string reasonOf(const SceneFileResult& result, const BuildOptions& build) {
    std::string reason = errorLineOf(result);
    const std::string limit = brokenLimit(result);
    if (!limit.empty() && build.format == TreeFormatChoice::Version50)
        reason += " (more than " + std::to_string(treeFormat50.maxCount) + " " + limit + "; --format 51 holds it)";
    return reason;
}

SceneStatus statusOf(SceneFileResult::Status status) {
    switch (status) {
    case SceneFileResult::Status::Written:
        return SceneStatus::Compiled;
    case SceneFileResult::Status::Stopped:
        return SceneStatus::Stopped;
    default:
        return SceneStatus::Failed;
    }
}

// The scene's compile, without the memory it may run out of.
SceneOutcome compileOrFail(const BatchScene& scene, const BatchSettings& settings, unsigned planeThreads) {
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
    const SceneFileResult result = compileSceneFile(scene.input, scene.output, console, build, refuse, true);
    outcome.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    outcome.status = statusOf(result.status);
    if (outcome.status == SceneStatus::Compiled) outcome.stats = result.stats;
    if (outcome.status == SceneStatus::Failed) outcome.error = reasonOf(result, build);
    if (outcome.status == SceneStatus::Compiled && settings.gltf && !writeGltfBeside(scene.output, outcome.error))
        outcome.status = SceneStatus::Failed;
    return outcome;
}

} // namespace

SceneOutcome compileOne(const BatchScene& scene, const BatchSettings& settings, unsigned planeThreads) {
    try {
        return compileOrFail(scene, settings, planeThreads);
    } catch (const std::bad_alloc&) {
        // What the library does not catch itself (the kept console, the batch's own records):
        // the scene fails as a compile out of memory does, and the batch goes on.
        SceneOutcome outcome;
        outcome.error = errorLineText(BuildError{BuildErrorCode::OutOfMemory, 0, {}});
        return outcome;
    }
}

} // namespace norvane::batch
