#include "driver/run.h"

#include "bsp/build_tree.h"
#include "console/terminal.h"
#include "driver/logo.h"
#include "driver/names.h"
#include "output/tree_writer.h"
#include "scene/loader.h"

namespace norvane {
namespace {

int runStages(const std::vector<std::string>& args, Console& console) {
    if (args.size() < 2) {
        printError(console, "Ussage is Norvane.exe [filename] !\n");
        return 1;
    }
    // Further arguments are ignored. The loader opens the name as typed; the display name is
    // only shown.
    const std::string& argument = args[1];
    const std::string outputName = makeOutputName(argument);
    console.print("   Loading file ");
    console.writeUserText(makeDisplayName(argument));
    console.print(" .. ");
    const std::unique_ptr<Scene> scene = loadScene(argument);
    if (!scene) {
        printError(console, "File not found / is damaged !");
        return 1;
    }
    console.print("Done\n\n");

    BuildContext build(console);
    const std::unique_ptr<BspTree> tree = buildTree(*scene, build);
    console.print("\n");
    if (!tree) return 1; // the build has printed its own error line
    return writeTree(*tree, outputName, argument, console) ? 0 : 1;
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
