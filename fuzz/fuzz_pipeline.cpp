// Small scenes through load, build and serialisation; every tree written must read back and
// pass the format check.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "bsp/build_tree.h"
#include "norvane/tree_file.h"
#include "output/tree_writer.h"
#include "scene/loader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 16384) return 0; // larger scenes build slowly under the sanitizers
    const auto scene = norvane::loadSceneFromBytes(data, size);
    if (!scene) return 0;
    norvane::CaptureConsole console;
    norvane::BuildContext ctx(console);
    const auto tree = norvane::buildTree(*scene, ctx);
    if (!tree) return 0;
    const std::string out = norvane::serializeTree(*tree, console);
    norvane::TreeFile file;
    norvane::TreeFileError error;
    const std::vector<std::uint8_t> bytes(out.begin(), out.end());
    if (!norvane::readTreeFile(bytes, file, error) || !norvane::checkTreeFile(file, error)) std::abort();
    return 0;
}
