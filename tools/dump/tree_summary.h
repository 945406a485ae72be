// norvane-dump tree FILE: what a tree file holds, in a few lines (docs/FORMAT.md).
#pragma once

#include <string>

#include <norvane/tree_file.h>

namespace norvane::dump {

// The summary of the tree read from `path`, its lines each ending in "\n"; the name is shown as
// shownFileName shows it.
std::string treeSummary(const std::string& path, const TreeFile& file);

} // namespace norvane::dump
