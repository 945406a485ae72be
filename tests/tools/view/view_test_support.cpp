#include "view_test_support.h"

#include <gtest/gtest.h>

#include "scene3ds/generators.h"
#include "support/test_support.h"

namespace norvane::test {

std::unique_ptr<ViewedTree> viewedTree(const std::vector<std::uint8_t>& sceneBytes) {
    Compiled compiled = compileBytes(sceneBytes);
    if (!compiled.tree) return nullptr;
    auto tree = std::make_unique<ViewedTree>();
    tree->bytes = std::move(compiled.file);
    TreeFileError error;
    if (!readTreeFile(tree->bytes, tree->file, error) || !checkTreeFile(tree->file, error)) {
        ADD_FAILURE() << "the compiled tree does not read back: " << error.message;
        return nullptr;
    }
    tree->prepared = view::prepareTree(tree->file);
    tree->bounds = view::treeBounds(tree->file);
    return tree;
}

std::unique_ptr<ViewedTree> generatedTree(const std::string& kind, std::uint32_t faces, std::uint64_t seed) {
    return viewedTree(scene3ds::writeScene(scene3ds::generateScene(kind, seed, faces)));
}

} // namespace norvane::test
