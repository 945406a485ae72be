#include "driver/compile_file.h"

#include "console/console_progress.h"
#include "driver/names.h"

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
               SceneFileResult& result) {
    console.print("   Loading file ");
    console.writeUserText(makeDisplayName(argument));
    console.print(" .. ");
    LoadOptions load;
    load.stopFlag = options.stopFlag;
    if (!loadScene(pathOfArgument(argument), scene, result.load, load)) {
        result.status = result.load.code == LoadErrorCode::Stopped ? Status::Stopped : Status::LoadFailed;
        if (result.status == Status::LoadFailed) printError(console, sceneDamagedText);
        return false;
    }
    console.print("Done\n\n");
    return true;
}

} // namespace

std::string errorLineOf(const SceneFileResult& result) {
    switch (result.status) {
    case Status::LoadFailed:
        return sceneDamagedText;
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
                                 const BuildOptions& options, const RefuseWrite& refuseWrite) {
    if (stopped(options)) return ended(Status::Stopped);
    SceneFileResult result;
    Scene scene;
    if (!loadStage(argument, console, options, scene, result)) return result;
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
    if (!writeTreeFile(pathOfArgument(output), tree, result.write, write, &progress)) {
        progress.writeFailed(result.write);
        result.status = Status::WriteFailed;
        return result;
    }
    result.status = Status::Written;
    return result;
}

} // namespace norvane
