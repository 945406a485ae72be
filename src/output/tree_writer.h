// The tree file writer. File layout (all little-endian, no padding):
//   header   "BSP", u16 version 50, u16 vertexCount, u16 faceCount (initial faces),
//            u16 materialCount                                              11 bytes
//   materials materialCount slots of 256 bytes, a NUL-terminated name each, zeros behind it
//   vertices vertexCount records of 8 f32: x y z u v nx ny nz               32 bytes each
//   nodes    pre-order, front subtree before back subtree; each node is u16 flags (bit 0 front
//            child follows, bit 1 back child follows), 4 f32 plane (zeros for a node that never
//            got a plane), u16 n, then n faces of u16 v0 v1 v2 id material (0xFFFF for none)
//            and 4 f32 plane                                           20 + 26 n bytes each
// Every NaN is written as the quiet NaN 0x7FC00000, so files are equal on every processor.
#pragma once

#include <string>

#include "bsp/bsp_tree.h"
#include "console/console.h"
#include "norvane/tree_file.h"

namespace norvane {

// Writes the tree to `outputName`, with the writer's console lines. The file is replaced whole
// (writeFileAtomically), so a failed or killed run leaves no half-written file and never loses
// an existing one. `inputName` is the scene the tree came from: the output never replaces it.
// Returns false after printing an error line.
bool writeTree(const BspTree& tree, const std::string& outputName, const std::string& inputName, Console& console);

// The file's bytes, printing the node progress lines to `console` as the walk goes.
std::string serializeTree(const BspTree& tree, Console& console);

} // namespace norvane
