// Naming nodes by their F/B path from the root, without recursion and without building every
// node's path.
#pragma once

#include <cstdint>
#include <string>

#include <norvane/tree_file.h>

namespace norvane::dump {

// True when `path` is made of F and B only ("" is the root).
bool isNodePath(const std::string& path);

// The node at the end of `path`: from the root, F steps to the front child and B to the back
// child. -1 with the reason in `why` when the tree has no node there.
std::int32_t nodeAtPath(const TreeFile& file, const std::string& path, std::string& why);

// The index just past the subtree of `node`: in pre-order a subtree is one run of nodes.
std::int32_t subtreeEnd(const TreeFile& file, std::int32_t node);

// A path short enough for a label: paths of more than `keep` steps keep their first and last
// keep / 2 steps around an ellipsis.
std::string shortPath(const std::string& path, std::size_t keep = 48);

} // namespace norvane::dump
