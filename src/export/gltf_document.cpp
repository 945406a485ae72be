#include "export/gltf_document.h"

#include <cmath>

#include <norvane/version.h>

#include "export/export_groups.h"
#include "export/export_text.h"
#include "export/gltf_buffers.h"

namespace norvane::exporting {
namespace {

// glTF's base colour is linear; the viewer's palette is sRGB.
double linearOfSrgb(std::uint32_t channel) {
    const double c = channel / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::string materialJson(const TreeFile& tree, std::uint32_t material) {
    const std::uint32_t colour = materialDisplayColour(material, noMaterialOf(tree));
    std::string out = "{\"name\":";
    appendJsonString(out, materialName(tree, material));
    out += ",\"pbrMetallicRoughness\":{\"baseColorFactor\":[";
    for (const int shift : {16, 8, 0}) {
        appendJsonNumber(out, static_cast<float>(linearOfSrgb((colour >> shift) & 0xff)));
        out += ',';
    }
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%06x", static_cast<unsigned>(colour));
    out += "1],\"metallicFactor\":0,\"roughnessFactor\":1},\"doubleSided\":true,\"extras\":{\"colour\":\"";
    return out + hex + "\"}}";
}

// The glTF material of a tree material: its own index, the one after the table for noMaterial.
std::size_t gltfMaterial(const TreeFile& tree, std::uint32_t material) {
    return material < tree.materials.size() ? material : tree.materials.size();
}

std::string primitiveJson(const TreeFile& tree, const Primitive& primitive, const PrimitiveData& data) {
    std::string out = "{\"attributes\":{\"POSITION\":" + std::to_string(data.position);
    if (data.normal >= 0) out += ",\"NORMAL\":" + std::to_string(data.normal);
    if (data.texcoord >= 0) out += ",\"TEXCOORD_0\":" + std::to_string(data.texcoord);
    out += "},\"indices\":" + std::to_string(data.indices);
    out += ",\"material\":" + std::to_string(gltfMaterial(tree, primitive.material));
    out += ",\"mode\":4,\"extras\":{\"faceIds\":[";
    for (std::size_t i = 0; i < data.faceIds.size(); ++i) {
        if (i) out += ',';
        out += std::to_string(data.faceIds[i]);
    }
    return out + "]}}";
}

// Adds a mesh of the primitives; -1 when none kept a face.
int addMesh(const TreeFile& tree, const std::vector<Primitive>& primitives, const std::string& name,
            GltfBuffers& buffers, std::string& meshes, int& meshCount) {
    std::string list;
    for (const Primitive& primitive : primitives) {
        PrimitiveData data;
        if (!buffers.add(primitive, data)) continue;
        if (!list.empty()) list += ',';
        list += primitiveJson(tree, primitive, data);
    }
    if (list.empty()) return -1;
    if (meshCount) meshes += ",\n";
    meshes += "{\"name\":";
    appendJsonString(meshes, name);
    meshes += ",\"primitives\":[" + list + "]}";
    return meshCount++;
}

void appendPlane(std::string& out, const Plane& plane) {
    out += '[';
    const float values[4] = {plane.a, plane.b, plane.c, plane.d};
    for (int k = 0; k < 4; ++k) {
        if (k) out += ',';
        appendJsonNumber(out, values[k]);
    }
    out += ']';
}

std::string treeNodeJson(const TreeFileNode& node, const std::string& path, int mesh) {
    std::string out = "{\"name\":";
    appendJsonString(out, nodeName(path));
    if (node.front >= 0 || node.back >= 0) {
        out += ",\"children\":[";
        if (node.front >= 0) out += std::to_string(node.front);
        if (node.front >= 0 && node.back >= 0) out += ',';
        if (node.back >= 0) out += std::to_string(node.back);
        out += ']';
    }
    if (mesh >= 0) out += ",\"mesh\":" + std::to_string(mesh);
    out += ",\"extras\":{\"path\":\"" + path + "\",\"depth\":" + std::to_string(node.depth);
    out += std::string(",\"leaf\":") + (node.flags == 0 ? "true" : "false") + ",\"plane\":";
    appendPlane(out, node.plane);
    return out + "}}";
}

} // namespace

namespace {

constexpr const char* viewTypes[viewKinds] = {"VEC3", "VEC3", "VEC2", "SCALAR"};
constexpr int viewStrides[viewKinds] = {12, 12, 8, 0};

std::string accessorsJson(const std::vector<Accessor>& accessors, const int (&viewIndex)[viewKinds]) {
    std::string out;
    for (const Accessor& a : accessors) {
        if (!out.empty()) out += ",\n";
        out += "{\"bufferView\":" + std::to_string(viewIndex[a.view]) + ",\"byteOffset\":" + std::to_string(a.offset);
        out += ",\"componentType\":" + std::string(a.view == indexView ? "5125" : "5126");
        out += ",\"count\":" + std::to_string(a.count) + ",\"type\":\"" + viewTypes[a.view] + "\"";
        if (!a.bounds.empty()) out += "," + a.bounds;
        out += '}';
    }
    return out;
}

// Packs the views into one buffer; `viewIndex` gets each kind's bufferView (-1 when empty).
std::string packViews(GltfBuffers& buffers, std::string& bin, int (&viewIndex)[viewKinds]) {
    std::string out;
    int count = 0;
    for (int kind = 0; kind < viewKinds; ++kind) {
        viewIndex[kind] = -1;
        const std::string& view = buffers.views[kind];
        if (view.empty()) continue;
        viewIndex[kind] = count++;
        if (!out.empty()) out += ",\n";
        out += "{\"buffer\":0,\"byteOffset\":" + std::to_string(bin.size()) +
               ",\"byteLength\":" + std::to_string(view.size());
        if (viewStrides[kind]) out += ",\"byteStride\":" + std::to_string(viewStrides[kind]);
        out += std::string(",\"target\":") + (kind == indexView ? "34963" : "34962") + "}";
        bin += view;
    }
    return out;
}

std::string materialsJson(const TreeFile& tree) {
    bool noMaterialUsed = false;
    for (const TreeFileNode& node : tree.nodes)
        for (const TreeFileFace& face : node.faces)
            noMaterialUsed = noMaterialUsed || face.material >= tree.materials.size();
    std::string out;
    for (std::uint32_t i = 0; i < tree.materials.size(); ++i) out += (i ? ",\n" : "") + materialJson(tree, i);
    if (noMaterialUsed) out += (out.empty() ? "" : ",\n") + materialJson(tree, noMaterialOf(tree));
    return out;
}

// The nodes and meshes of the hierarchy; `roots` gets the scene's nodes.
void hierarchy(const TreeFile& tree, GltfBuffers& buffers, std::string& nodes, std::string& meshes,
               std::string& roots) {
    int meshCount = 0;
    PathWalk walk;
    for (std::size_t i = 0; i < tree.nodes.size(); ++i) {
        const TreeFileNode& node = tree.nodes[i];
        const std::string& path = walk.next(tree, static_cast<std::int32_t>(i));
        const int mesh = addMesh(tree, nodePrimitives(node), nodeName(path), buffers, meshes, meshCount);
        if (i) nodes += ",\n";
        nodes += treeNodeJson(node, path, mesh);
    }
    if (!tree.nodes.empty()) roots += '0';
}

// One node and mesh per material.
void flat(const TreeFile& tree, GltfBuffers& buffers, std::string& nodes, std::string& meshes, std::string& roots) {
    int meshCount = 0;
    for (const Primitive& primitive : flatPrimitives(tree)) {
        const std::string name = materialName(tree, primitive.material);
        const int mesh = addMesh(tree, {primitive}, name, buffers, meshes, meshCount);
        if (mesh < 0) continue;
        if (mesh) nodes += ",\n", roots += ',';
        nodes += "{\"name\":";
        appendJsonString(nodes, name);
        nodes += ",\"mesh\":" + std::to_string(mesh) + "}";
        roots += std::to_string(mesh);
    }
}

} // namespace

// A URI as a JSON string's content: bytes that a URI or JSON cannot hold as they are get
// percent-encoded (a file name's UTF-8 among them).
static std::string uriText(const std::string& uri) {
    std::string out;
    for (const char c : uri) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f || c == '"' || c == '\\' || c == '%') {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", byte);
            out += buf;
        } else {
            out += c;
        }
    }
    return out;
}

GltfDocument buildGltf(const TreeFile& tree, const ExportOptions& options) {
    GltfBuffers buffers(tree);
    std::string nodes, meshes, roots;
    (options.flat ? flat : hierarchy)(tree, buffers, nodes, meshes, roots);
    GltfDocument document;
    int viewIndex[viewKinds];
    document.views = packViews(buffers, document.bin, viewIndex);
    std::string& out = document.body;
    out = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Norvane " + std::string(version()) + "\"},\n";
    out += "\"scene\":0,\"scenes\":[{" + (roots.empty() ? "" : "\"nodes\":[" + roots + "]") + "}]";
    if (!nodes.empty()) out += ",\n\"nodes\":[\n" + nodes + "]";
    if (!meshes.empty()) out += ",\n\"meshes\":[\n" + meshes + "]";
    const std::string materials = materialsJson(tree);
    if (!materials.empty()) out += ",\n\"materials\":[\n" + materials + "]";
    if (!buffers.accessors.empty()) out += ",\n\"accessors\":[\n" + accessorsJson(buffers.accessors, viewIndex) + "]";
    return document;
}

std::string GltfDocument::json(const std::string& bufferUri) const {
    if (bin.empty()) return body + "}\n";
    std::string out =
        body + ",\n\"bufferViews\":[\n" + views + "],\n\"buffers\":[{\"byteLength\":" + std::to_string(bin.size());
    if (!bufferUri.empty()) {
        out += ",\"uri\":\"" + uriText(bufferUri) + "\"";
    }
    return out + "}]}\n";
}

} // namespace norvane::exporting
