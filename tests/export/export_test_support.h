// Trees to export, and the exports read back by the glTF and OBJ readers the library carries.
#pragma once

#include <string>

#include <tiny_gltf.h>

#include "norvane/tree_file.h"

namespace norvane::test {

// The tree of a generated scene, compiled in memory.
TreeFile generatedTree(const std::string& kind, std::uint64_t seed, std::uint32_t faces);

// A .glb or .gltf (with its buffer embedded) read back; fails the test when it does not read.
tinygltf::Model readGltf(const std::string& bytes, bool binary);

// The position of a glTF accessor's element, as floats.
const float* accessorFloats(const tinygltf::Model& model, int accessor, std::size_t element);
std::uint32_t accessorIndex(const tinygltf::Model& model, int accessor, std::size_t element);

} // namespace norvane::test
