// The viewer page: one self-contained HTML file holding the tree file's bytes (base64), the
// scene's cameras and the page's own script, which reads the tree and draws it.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "view/view.h"

namespace norvane::view {

struct CameraPreset {
    std::string name; // the scene's bytes, shown as Latin-1
    View view;
};

std::string viewerPage(std::span<const std::uint8_t> treeBytes, const std::string& title,
                       const std::vector<CameraPreset>& cameras);

} // namespace norvane::view
