// The viewer page's files from tools/view/web, built into the program (CMake turns them into a
// source file at build time; see embed_web.cmake).
#pragma once

#include <string_view>

namespace norvane::view {

// web/viewer.html, with its placeholders.
std::string_view pageTemplate();
// The page's scripts, one after the other: the module registry, then its modules.
std::string_view pageScript();

} // namespace norvane::view
