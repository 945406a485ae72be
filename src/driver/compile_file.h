// One scene file through the library's stages as `norvane` runs them: the loading line, the
// load, the build and the tree file, with every console line. `norvane` and `norvane-build`
// both compile through it, so both print and write the same bytes.
#pragma once

#include <filesystem>
#include <functional>
#include <string>

#include "console/console.h"
#include "norvane/compile.h"
#include "norvane/scene.h"

namespace norvane {

// Asked about the built tree just before it is written: a message refuses the write and is
// printed as the error line; null lets the write go ahead.
using RefuseWrite = std::function<const char*(const TreeFile&)>;

// How a compile ended, with its typed reason: the stage that failed holds the error.
struct SceneFileResult {
    enum class Status { Written, LoadFailed, BuildFailed, Refused, WriteFailed, Stopped };
    Status status = Status::LoadFailed;
    LoadError load;
    BuildError build;
    WriteError write;
    const char* refusal = nullptr; // what RefuseWrite said
    BuildStats stats;              // of the built tree; zeros without one
    bool imported = false;         // the scene was glTF or OBJ: a load error's line is its message
};

// The message of the error line that ended a failed compile, as the console shows it; empty
// for a written or stopped one.
std::string errorLineOf(const SceneFileResult& result);

// Loads `argument` (opened as typed), builds its tree and writes it to `output`, printing what
// `norvane` prints from "   Loading file" on. The stop flag of `options` is also looked at
// before each stage; a stopped compile prints no error line and writes nothing. With
// `otherFormats` a name ending in .gltf, .glb or .obj is imported (norvane-build); every other
// name is read as 3DS.
SceneFileResult compileSceneFile(const std::string& argument, const std::string& output, Console& console,
                                 const BuildOptions& options = {}, const RefuseWrite& refuseWrite = {},
                                 bool otherFormats = false);

} // namespace norvane
