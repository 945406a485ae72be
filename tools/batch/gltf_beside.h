// norvane-build --gltf: each written tree also as glTF 2.0 beside it.
#pragma once

#include <string>

namespace norvane::batch {

// Where the glTF of the tree at `treePath` goes: the same name with the extension .glb.
std::string gltfBesideName(const std::string& treePath);

// Reads the tree just written to `treePath` and writes its .glb beside it (the name with the
// extension .glb), whole or not at all. False with the reason in `error`.
bool writeGltfBeside(const std::string& treePath, std::string& error);

} // namespace norvane::batch
