// norvane-dump tree --svg: a plan view (x across, z down the page) and a side view (x across, y
// up) of the faces of a tree or of one of its subtrees, with the splitting planes of its first
// levels drawn within their nodes' cells.
#pragma once

#include <cstdint>
#include <string>

#include <norvane/tree_file.h>

#include "common/text_writer.h"

namespace norvane::dump {

struct SvgOptions {
    // Planes of the nodes this many levels down from the drawn subtree's root, that root being
    // level 1; 0 draws none.
    int depth = 4;
    // The F/B path of the subtree to draw; "" for the whole tree.
    std::string node;
};

// The picture of the subtree whose root is node `top` (an index in file.nodes), as SVG text.
// Every face record is one polygon in each view, with a <title> naming its node, depth, path,
// face id and material; every drawn plane is the polygon where it meets its node's cell (the
// scene's box cut by the half-spaces of its ancestors), in the views it stands upright in.
// Walks the nodes in file order without recursion, so trees of any depth are safe; the text
// goes to `write` as it is made, so the picture of a large tree is never held whole.
void writeTreeSvg(const TreeFile& file, std::int32_t top, int depth, const TextWriter& write);

// The same picture as one string.
std::string treeSvg(const TreeFile& file, std::int32_t top, int depth);

} // namespace norvane::dump
