#include "driver/compile_scene.h"

#include <memory>

#include "bsp/build_tree.h"
#include "driver/names.h"
#include "output/tree_writer.h"
#include "scene/loader.h"

namespace norvane {
namespace {

// Passes everything on and keeps the message of the last error line.
class ErrorKeepingConsole : public Console {
public:
    explicit ErrorKeepingConsole(Console& inner) : inner_(inner) {}
    void write(std::string_view bytes) override { inner_.write(bytes); }
    void writeUserText(std::string_view bytes) override { inner_.writeUserText(bytes); }
    void flush() override { inner_.flush(); }
    void noteError(std::string_view message) override {
        lastError.assign(message);
        inner_.noteError(message);
    }
    std::string lastError;

private:
    Console& inner_;
};

bool stopped(const SceneCompileOptions& options) {
    return options.stopFlag && options.stopFlag->load(std::memory_order_relaxed);
}

SceneCompileResult failed(const ErrorKeepingConsole& console) {
    SceneCompileResult result;
    result.error = console.lastError;
    return result;
}

SceneCompileResult stoppedResult() {
    SceneCompileResult result;
    result.status = SceneCompileStatus::Stopped;
    return result;
}

} // namespace

SceneCompileResult compileScene(const std::string& argument, const std::string& outputName, Console& sink,
                                const SceneCompileOptions& options) {
    if (stopped(options)) return stoppedResult();
    ErrorKeepingConsole console(sink);
    // The loader opens the name as typed; the display name is only shown.
    console.print("   Loading file ");
    console.writeUserText(makeDisplayName(argument));
    console.print(" .. ");
    const std::unique_ptr<Scene> scene = loadScene(argument);
    if (!scene) {
        printError(console, "File not found / is damaged !");
        return failed(console);
    }
    console.print("Done\n\n");
    if (stopped(options)) return stoppedResult();

    BuildContext build(console);
    build.threads = options.threads;
    build.stopFlag = options.stopFlag;
    const std::unique_ptr<BspTree> tree = buildTree(*scene, build);
    if (!tree && stopped(options)) return stoppedResult();
    console.print("\n");
    if (!tree) return failed(console); // the build has printed its own error line

    SceneCompileResult result;
    result.nodes = build.counters.nodesBuilt;
    result.faces = build.counters.faceTotal;
    result.depth = build.counters.maxLevel;
    result.vertices = tree->vertices.size();
    if (stopped(options)) return stoppedResult();
    if (options.refuseWrite) {
        if (const char* reason = options.refuseWrite(*tree)) {
            printError(console, reason);
            result.error = reason;
            return result;
        }
    }
    if (!writeTree(*tree, outputName, argument, console)) {
        result.error = console.lastError;
        return result;
    }
    result.status = SceneCompileStatus::Written;
    return result;
}

} // namespace norvane
