// One scene through the compiler's stages as `norvane` runs them: the loading line, the load,
// the build and the tree file, with every console line. `norvane` and `norvane-build` both
// compile through it, so both print and write the same bytes.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "bsp/bsp_tree.h"
#include "console/console.h"

namespace norvane {

struct SceneCompileOptions {
    // Threads for the plane search (BuildContext::threads): 0 for the machine's cores.
    unsigned threads = 0;
    // Set by another thread to stop early: checked before each stage and between the build's
    // nodes. A stopped compile prints no error line and writes nothing. Null: never stops.
    const std::atomic<bool>* stopFlag = nullptr;
    // Asked about the built tree just before it is written: a message refuses the write and is
    // printed as the error line; null lets the write go ahead. Empty: always written.
    std::function<const char*(const BspTree&)> refuseWrite;
};

enum class SceneCompileStatus { Written, Failed, Stopped };

struct SceneCompileResult {
    SceneCompileStatus status = SceneCompileStatus::Failed;
    // The message of the error line that ended a failed compile, as the console shows it.
    std::string error;
    // The built tree's figures, as the build's closing line gives them (depth is its "width"),
    // and its vertex count; zeros when no tree was built.
    std::int32_t nodes = 0, faces = 0, depth = 0;
    std::size_t vertices = 0;
};

// Loads `argument` (opened as typed), builds its tree and writes it to `outputName`, printing
// what `norvane` prints from "   Loading file" on.
SceneCompileResult compileScene(const std::string& argument, const std::string& outputName, Console& console,
                                const SceneCompileOptions& options = {});

} // namespace norvane
