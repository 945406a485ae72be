#include "driver/run.h"

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
    const int status = runStages(args, console);
    console.flush();
    // Every run ends by waiting for one key.
    waitForKey(keyInput);
    return status;
}

} // namespace norvane
