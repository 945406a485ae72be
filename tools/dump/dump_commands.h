// The verbs of norvane-dump, each with its options as the command line gave them. Each returns
// the exit status: 0 done, 1 the input is broken (or, for diff, the trees differ), 2 wrong usage
// (or, for diff, a file that cannot be read).
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "dump/tree_svg.h"

namespace norvane::dump {

// norvane-dump scene FILE [--summary]: the loaded scene as JSON, or its summary.
struct SceneCommand {
    std::string file;
    bool summary = false;
};
int dumpScene(const SceneCommand& command, std::FILE* out);

// norvane-dump tree FILE [--json | --check | --svg OUT [--depth N] [--node PATH] | --gltf OUT | --obj OUT
// [--flat]].
enum class TreeView { Summary, Json, Check, Svg, Gltf, Obj };
struct TreeCommand {
    std::string file;
    TreeView view = TreeView::Summary;
    std::string svgOut; // "-" for standard output
    SvgOptions svg;
    std::string exportOut; // --gltf or --obj
    bool flat = false;
};
int dumpTree(const TreeCommand& command, std::FILE* out);

// norvane-dump diff A B: 0 when identical, 1 with the first difference, 2 when one cannot be read.
int diffTrees(const std::string& a, const std::string& b, std::FILE* out);

} // namespace norvane::dump
