#include "batch/gltf_beside.h"

#include <filesystem>

#include <norvane/export.h>
#include <norvane/files.h>

namespace norvane::batch {

std::string gltfBesideName(const std::string& treePath) {
    std::filesystem::path out = pathOfArgument(treePath);
    out.replace_extension(".glb");
    return out.string();
}

bool writeGltfBeside(const std::string& treePath, std::string& error) {
    const std::filesystem::path tree = pathOfArgument(treePath);
    TreeFile file;
    TreeFileError problem;
    std::string glb;
    if (!readTreeFile(tree, file, problem) || !exportGlb(file, glb, problem)) {
        error = "glTF: " + problem.message;
        return false;
    }
    const std::filesystem::path out = gltfBesideName(treePath);
    WriteError written;
    if (writeWholeFile(out, glb, written)) return true;
    error = "glTF: cannot write " + out.filename().string();
    return false;
}

} // namespace norvane::batch
