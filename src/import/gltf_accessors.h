// Reading a glTF accessor's elements with every offset checked against its view and buffer.
#pragma once

#include <string>
#include <vector>

#include <tiny_gltf.h>

namespace norvane::importing {

// The accessor's elements as doubles, `components` per element (VEC3: 3, VEC2: 2), from
// floats or (normalised) unsigned bytes and shorts. False with the reason in `why`.
bool readAccessorValues(const tinygltf::Model& model, int accessor, int components, std::vector<double>& values,
                        std::string& why);

// An index accessor: unsigned bytes, shorts or ints.
bool readAccessorIndices(const tinygltf::Model& model, int accessor, std::vector<std::uint32_t>& indices,
                         std::string& why);

} // namespace norvane::importing
