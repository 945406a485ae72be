// How the exporters cut a tree into meshes: the faces of one node (or, flat, of the whole tree)
// grouped by material, and each node's name.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <norvane/tree_file.h>

namespace norvane::exporting {

// The faces of one material, in the order the tree stores them.
struct Primitive {
    std::uint32_t material = 0; // the tree's index, or its noMaterial
    std::vector<const TreeFileFace*> faces;
};

// The node's faces by material: ascending material index, noMaterial last.
std::vector<Primitive> nodePrimitives(const TreeFileNode& node);

// Every face of the tree by material, in file order within each.
std::vector<Primitive> flatPrimitives(const TreeFile& tree);

// Walks the nodes in file order keeping the current node's path: the nodes are in pre-order,
// so a node's parent path is a prefix of the path of the node before it.
class PathWalk {
  public:
    // The path of node `index`, which must be the next node in file order.
    const std::string& next(const TreeFile& tree, std::int32_t index);

  private:
    std::string path_;
};

// "root" for the root, its F/B steps otherwise.
std::string nodeName(const std::string& path);

// The material's name as the exports show it: the tree's slot, "(no material)" for noMaterial.
std::string materialName(const TreeFile& tree, std::uint32_t material);

// Whether every vertex index of every face is in range and the tree passes checkTreeFile.
bool exportable(const TreeFile& tree, TreeFileError& error);

} // namespace norvane::exporting
