// norvane-dump tree FILE --gltf OUT / --obj OUT: the tree for other programs to open.
#pragma once

#include <norvane/tree_file.h>

#include "dump/dump_commands.h"

namespace norvane::dump {

// Writes the glTF (.glb binary, anything else JSON with the buffer embedded) or the OBJ with
// its .mtl beside it, each file whole or not at all. 0 done, 1 the tree breaks a rule of its
// format or a file cannot be written, 2 when an output would overwrite the tree file.
int writeExport(const TreeFile& file, const TreeCommand& command);

} // namespace norvane::dump
