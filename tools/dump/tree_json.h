// norvane-dump tree --json: the whole tree file with named keys (docs/FORMAT.md). Its size is in
// proportion to the file's: a node names its parent by index, not by its whole path.
#pragma once

#include <norvane/tree_file.h>

#include "common/text_writer.h"

namespace norvane::dump {

// The version of the JSON layout; it changes whenever a key is added, renamed or moved.
inline constexpr int treeJsonVersion = 2;

// Writes the JSON, one vertex and one node a line, in pieces of about 64 KiB.
void writeTreeJson(const TreeFile& file, const TextWriter& write);

} // namespace norvane::dump
