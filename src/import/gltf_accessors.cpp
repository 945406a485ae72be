#include "import/gltf_accessors.h"

#include <cstring>

namespace norvane::importing {
namespace {

int componentSize(int type) {
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return 1;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT:
        return 2;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT:
    case TINYGLTF_COMPONENT_TYPE_FLOAT:
        return 4;
    default:
        return 0;
    }
}

// The bytes of the accessor's elements: where the first starts and the stride, all in range.
bool locate(const tinygltf::Model& model, int index, int components, const unsigned char*& data, std::size_t& stride,
            std::string& why) {
    const std::string name = "accessor " + std::to_string(index);
    if (index < 0 || std::size_t(index) >= model.accessors.size()) return why = name + " does not exist", false;
    const tinygltf::Accessor& accessor = model.accessors[std::size_t(index)];
    if (accessor.sparse.isSparse) return why = name + " is sparse, which is not read", false;
    const int size = componentSize(accessor.componentType);
    if (size == 0 || tinygltf::GetNumComponentsInType(static_cast<std::uint32_t>(accessor.type)) != components)
        return why = name + " has a component type or element type not read here", false;
    if (accessor.bufferView < 0 || std::size_t(accessor.bufferView) >= model.bufferViews.size())
        return why = name + " has no buffer view", false;
    const tinygltf::BufferView& view = model.bufferViews[std::size_t(accessor.bufferView)];
    if (view.buffer < 0 || std::size_t(view.buffer) >= model.buffers.size())
        return why = name + "'s view names no buffer", false;
    const std::vector<unsigned char>& buffer = model.buffers[std::size_t(view.buffer)].data;
    const std::size_t element = std::size_t(size) * std::size_t(components);
    stride = view.byteStride ? view.byteStride : element;
    if (stride < element) return why = name + "'s view has a stride shorter than an element", false;
    const std::size_t count = accessor.count;
    // Every bound in 64 bits: the values come from the file.
    const unsigned long long end =
        count == 0 ? accessor.byteOffset : accessor.byteOffset + (unsigned long long)stride * (count - 1) + element;
    if (view.byteOffset > buffer.size() || view.byteLength > buffer.size() - view.byteOffset || end > view.byteLength)
        return why = name + " lies outside its buffer", false;
    data = buffer.data() + view.byteOffset + accessor.byteOffset;
    return true;
}

double componentValue(const unsigned char* p, int type, bool normalized) {
    switch (type) {
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE:
        return normalized ? *p / 255.0 : *p;
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT: {
        std::uint16_t v;
        std::memcpy(&v, p, 2);
        return normalized ? v / 65535.0 : v;
    }
    case TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT: {
        std::uint32_t v;
        std::memcpy(&v, p, 4);
        return v;
    }
    default: {
        float v;
        std::memcpy(&v, p, 4);
        return v;
    }
    }
}

} // namespace

bool readAccessorValues(const tinygltf::Model& model, int index, int components, std::vector<double>& values,
                        std::string& why) {
    const unsigned char* data = nullptr;
    std::size_t stride = 0;
    if (!locate(model, index, components, data, stride, why)) return false;
    const tinygltf::Accessor& accessor = model.accessors[std::size_t(index)];
    const int size = componentSize(accessor.componentType);
    values.resize(accessor.count * std::size_t(components));
    for (std::size_t i = 0; i < accessor.count; ++i)
        for (int c = 0; c < components; ++c)
            values[i * std::size_t(components) + std::size_t(c)] =
                componentValue(data + i * stride + std::size_t(c * size), accessor.componentType, accessor.normalized);
    return true;
}

bool readAccessorIndices(const tinygltf::Model& model, int index, std::vector<std::uint32_t>& indices,
                         std::string& why) {
    const unsigned char* data = nullptr;
    std::size_t stride = 0;
    if (!locate(model, index, 1, data, stride, why)) return false;
    const tinygltf::Accessor& accessor = model.accessors[std::size_t(index)];
    if (accessor.componentType == TINYGLTF_COMPONENT_TYPE_FLOAT)
        return why = "accessor " + std::to_string(index) + " holds indices as floats", false;
    indices.resize(accessor.count);
    for (std::size_t i = 0; i < accessor.count; ++i)
        indices[i] = static_cast<std::uint32_t>(componentValue(data + i * stride, accessor.componentType, false));
    return true;
}

} // namespace norvane::importing
