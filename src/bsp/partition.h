// The partitioner: builds the nodes depth first, front subtree before back subtree, with one
// overwritten progress line per phase of each node.
#pragma once

#include <vector>

#include "bsp/build_tree.h"

namespace norvane {

// Builds every node of `tree` from the root's faces. False when the build had to stop because
// the tree outgrew the file format (the error line printed), or because stopRequested (nothing
// printed).
bool buildNodes(BspTree& tree, std::vector<BspFace> rootFaces, BuildContext& ctx);

} // namespace norvane
