// Helpers of the viewer's tests: trees compiled in memory from generated and real scenes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include <norvane/norvane.h>

#include "view/render.h"

namespace norvane::test {

// A tree file read back from the bytes the compiler wrote, and what the viewer prepares of it.
struct ViewedTree {
    std::vector<std::uint8_t> bytes;
    TreeFile file;
    view::PreparedTree prepared;
    view::Bounds bounds;
};

// Compiles the scene bytes in memory; null when the scene does not compile.
std::unique_ptr<ViewedTree> viewedTree(const std::vector<std::uint8_t>& sceneBytes);
std::unique_ptr<ViewedTree> generatedTree(const std::string& kind, std::uint32_t faces, std::uint64_t seed = 1);

} // namespace norvane::test
