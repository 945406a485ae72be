// Laying a tree out as the bytes of its file (the layout is in norvane/tree_format.h). Every NaN
// is written as the quiet NaN 0x7FC00000, so that files are equal on every processor.
#pragma once

#include <cstdint>
#include <string>

#include "norvane/compile.h"

namespace norvane {

// Which of the format's limits the tree breaks, or None.
WriteErrorCode checkFormatLimits(const TreeFile& tree, const TreeFormat& format);

// The bytes, reporting each node entered and left; the tree must fit its format.
void serializeTree(const TreeFile& tree, const TreeFormat& format, CompileProgress& progress, std::string& out);

// The same reports without the bytes, in the same order.
void reportTreeWalk(const TreeFile& tree, CompileProgress& progress);

} // namespace norvane
