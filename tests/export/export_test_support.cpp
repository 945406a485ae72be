#include "export/export_test_support.h"

#include <gtest/gtest.h>

#include <cstring>

#include "scene3ds/generators.h"
#include "support/test_support.h"

namespace norvane::test {

TreeFile generatedTree(const std::string& kind, std::uint64_t seed, std::uint32_t faces) {
    Compiled compiled = compileBytes(scene3ds::writeScene(scene3ds::generateScene(kind, seed, faces)));
    EXPECT_TRUE(compiled.tree) << kind;
    return compiled.tree ? *compiled.tree : TreeFile{};
}

tinygltf::Model readGltf(const std::string& bytes, bool binary) {
    tinygltf::TinyGLTF loader;
    tinygltf::Model model;
    std::string err, warn;
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const bool ok = binary ? loader.LoadBinaryFromMemory(&model, &err, &warn, data, unsigned(bytes.size()))
                           : loader.LoadASCIIFromString(&model, &err, &warn, bytes.data(), unsigned(bytes.size()), "");
    EXPECT_TRUE(ok) << err;
    EXPECT_EQ(warn, "");
    return model;
}

namespace {
const unsigned char* element(const tinygltf::Model& model, int accessor, std::size_t index, std::size_t size) {
    const tinygltf::Accessor& a = model.accessors.at(static_cast<std::size_t>(accessor));
    const tinygltf::BufferView& view = model.bufferViews.at(static_cast<std::size_t>(a.bufferView));
    const std::size_t stride = view.byteStride ? view.byteStride : size;
    return model.buffers.at(static_cast<std::size_t>(view.buffer)).data.data() + view.byteOffset + a.byteOffset +
           stride * index;
}
} // namespace

const float* accessorFloats(const tinygltf::Model& model, int accessor, std::size_t index) {
    return reinterpret_cast<const float*>(element(model, accessor, index, 12));
}

std::uint32_t accessorIndex(const tinygltf::Model& model, int accessor, std::size_t index) {
    std::uint32_t value;
    std::memcpy(&value, element(model, accessor, index, 4), 4);
    return value;
}

} // namespace norvane::test
