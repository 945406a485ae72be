// Small scenes through load, build and serialisation; every tree written must read back and
// pass the format check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include <norvane/compile.h>
#include <norvane/scene.h>
#include <norvane/tree_file.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16384) return 0; // larger scenes build slowly under the sanitizers
    norvane::Scene scene;
    norvane::LoadError loadError;
    if (!norvane::loadScene(std::span<const std::uint8_t>(data, size), scene, loadError)) return 0;
    norvane::TreeFile tree;
    norvane::BuildError buildError;
    if (!norvane::compileScene(scene, tree, buildError)) return 0;
    std::vector<std::uint8_t> bytes;
    norvane::WriteError writeError;
    if (!norvane::treeFileBytes(tree, bytes, writeError)) return 0;
    norvane::TreeFile file;
    norvane::TreeFileError error;
    if (!norvane::readTreeFile(bytes, file, error) || !norvane::checkTreeFile(file, error)) std::abort();
    return 0;
}
