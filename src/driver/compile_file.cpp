#include "driver/compile_file.h"

#include <filesystem>
#include <system_error>

#include "common/large_heap.h"
#include "console/console_progress.h"
#include "driver/names.h"
#include "norvane/import.h"

namespace norvane {
namespace {

using Status = SceneFileResult::Status;

bool stopped(const BuildOptions& options) {
    return options.stopFlag && options.stopFlag->load(std::memory_order_relaxed);
}

SceneFileResult ended(Status status) {
    SceneFileResult result;
    result.status = status;
    return result;
}

// The loading line, the load and its line end; false after the error line.
bool loadStage(const std::string& argument, Console& console, const BuildOptions& options, Scene& scene,
               SceneFileResult& result, bool otherFormats) {
    console.print("   Loading file ");
    console.writeUserText(makeDisplayName(argument));
    console.print(" .. ");
    LoadOptions load;
    load.stopFlag = options.stopFlag;
    const std::filesystem::path path = pathOfArgument(argument);
    const SceneFormat format = sceneFormatOf(path);
    std::error_code unknownSize;
    const std::uintmax_t size = std::filesystem::file_size(path, unknownSize);
    if (!unknownSize) keepLargeHeap(size);
    result.imported = otherFormats && format != SceneFormat::ThreeDs && format != SceneFormat::Unknown;
    if (!(result.imported ? importScene(path, scene, result.load, ImportOptions{load})
                          : loadScene(path, scene, result.load, load))) {
        result.status = result.load.code == LoadErrorCode::Stopped ? Status::Stopped : Status::LoadFailed;
        if (result.status == Status::LoadFailed) printError(console, errorLineOf(result).c_str());
        return false;
    }
    console.print("Done\n\n");
    return true;
}

} // namespace

std::string errorLineOf(const SceneFileResult& result) {
    switch (result.status) {
    case Status::LoadFailed:
        return result.imported ? result.load.message : sceneDamagedText;
    case Status::BuildFailed:
        return errorLineText(result.build);
    case Status::Refused:
        return result.refusal ? result.refusal : "";
    case Status::WriteFailed:
        return errorLineText(result.write);
    case Status::Written:
    case Status::Stopped:
        return "";
    }
    return "";
}

SceneFileResult compileSceneFile(const std::string& argument, const std::string& output, Console& console,
                                 const BuildOptions& options, const RefuseWrite& refuseWrite, bool otherFormats) {
    if (stopped(options)) return ended(Status::Stopped);
    SceneFileResult result;
    Scene scene;
    if (!loadStage(argument, console, options, scene, result, otherFormats)) return result;
    if (stopped(options)) return ended(Status::Stopped);

    ConsoleProgress progress(console);
    TreeFile tree;
    if (!compileScene(scene, tree, result.build, options, &progress, &result.stats)) {
        if (result.build.code == BuildErrorCode::Stopped || stopped(options)) return ended(Status::Stopped);
        progress.buildFailed(result.build);
        console.print("\n");
        result.status = Status::BuildFailed;
        return result;
    }
    console.print("\n");
    if (stopped(options)) return ended(Status::Stopped);
    if (refuseWrite) {
        if (const char* reason = refuseWrite(tree)) {
            printError(console, reason);
            result.status = Status::Refused;
            result.refusal = reason;
            return result;
        }
    }
    WriteOptions write;
    write.input = pathOfArgument(argument);
    write.threads = options.threads;
    if (!writeTreeFile(pathOfArgument(output), tree, result.write, write, &progress)) {
        progress.writeFailed(result.write);
        result.status = Status::WriteFailed;
        return result;
    }
    result.status = Status::Written;
    return result;
}

} // namespace norvane
