#include "driver/run.h"

#include <new>

#include "console/console_progress.h"
#include "console/terminal.h"
#include "driver/compile_file.h"
#include "driver/logo.h"
#include "driver/names.h"

namespace norvane {
namespace {

int runStages(const std::vector<std::string>& args, Console& console) {
    if (args.size() < 2) {
        printError(console, "Ussage is Norvane.exe [filename] !\n");
        return 1;
    }
    // Further arguments are ignored.
    const std::string& argument = args[1];
    return compileSceneFile(argument, makeOutputName(argument), console).status == SceneFileResult::Status::Written ? 0 : 1;
}

} // namespace

int runCompiler(const std::vector<std::string>& args, Console& console, std::FILE* keyInput) {
    printLogo(console);
    int status = 1;
    try {
        status = runStages(args, console);
    } catch (const std::bad_alloc&) {
        // The library reports its own; this is what is left (the console, the names): one
        // error line, as a build out of memory has it.
        printError(console, errorLineText(BuildError{BuildErrorCode::OutOfMemory, 0, {}}));
    }
    console.flush();
    // Every run ends by waiting for one key.
    waitForKey(keyInput);
    return status;
}

} // namespace norvane
