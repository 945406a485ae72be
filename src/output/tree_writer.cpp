#include "output/tree_writer.h"

#include <cmath>
#include <cstring>

#include "math/float_math.h"

namespace norvane {
namespace {

void putUint(std::string& out, std::uint32_t v, std::uint32_t width) { // the low `width` bytes
    for (std::uint32_t i = 0; i < width; ++i) out += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void putF32(std::string& out, float f) {
    putUint(out, std::isnan(f) ? 0x7FC00000u : floatBits(f), 4);
}

void putPlane(std::string& out, const Plane& p) {
    for (float f : {p.a, p.b, p.c, p.d}) putF32(out, f);
}

void putNode(std::string& out, const TreeFileNode& node, const TreeFormat& format) {
    const std::uint32_t width = format.countBytes;
    putUint(out, node.flags, 2);
    putPlane(out, node.plane);
    putUint(out, static_cast<std::uint32_t>(node.faces.size()), width);
    for (const TreeFileFace& face : node.faces) {
        for (std::uint32_t v : face.verts) putUint(out, v, width);
        putUint(out, face.id, width);
        putUint(out, face.material, width);
        putPlane(out, face.plane);
    }
}

void putTables(std::string& out, const TreeFile& tree, const TreeFormat& format) {
    out.append(treeMagic, sizeof treeMagic);
    putUint(out, format.version, 2);
    putUint(out, static_cast<std::uint32_t>(tree.vertices.size()), format.countBytes);
    putUint(out, tree.faceCount, format.countBytes);
    putUint(out, static_cast<std::uint32_t>(tree.materials.size()), format.countBytes);
    for (const std::string& name : tree.materials) {
        char slot[materialSlotSize] = {};
        std::memcpy(slot, name.data(), name.size() < materialSlotSize - 1 ? name.size() : materialSlotSize - 1);
        out.append(slot, sizeof slot);
    }
    for (const Vertex& v : tree.vertices)
        for (float f : {v.x, v.y, v.z, v.u, v.v, v.nx, v.ny, v.nz}) putF32(out, f);
}

} // namespace

WriteErrorCode checkFormatLimits(const TreeFile& tree, const TreeFormat& format) {
    if (tree.vertices.size() > format.maxCount) return WriteErrorCode::TooManyVertices;
    if (tree.faceCount > format.maxCount) return WriteErrorCode::TooManyFaces;
    if (tree.materials.size() > format.maxCount) return WriteErrorCode::TooManyMaterials;
    for (const TreeFileNode& node : tree.nodes)
        if (node.faces.size() > format.maxCount) return WriteErrorCode::TooManyFacesAtNode;
    return WriteErrorCode::None;
}

void serializeTree(const TreeFile& tree, const TreeFormat& format, CompileProgress& progress, std::string& out) {
    putTables(out, tree, format);
    if (tree.nodes.empty()) return;
    // Pre-order walk with its own stack: a positive entry enters node (entry - 1), a negative
    // one leaves node (-entry - 1).
    std::vector<std::int64_t> stack{1};
    std::int32_t level = 0;
    while (!stack.empty()) {
        const std::int64_t entry = stack.back();
        stack.pop_back();
        if (entry < 0) {
            progress.writeNode(false, level);
            --level;
            continue;
        }
        const TreeFileNode& node = tree.nodes[static_cast<std::size_t>(entry - 1)];
        progress.writeNode(true, ++level);
        putNode(out, node, format);
        stack.push_back(-entry);
        const auto child = [&](std::int32_t index, std::uint16_t flag) {
            return (node.flags & flag) && index >= 0 && static_cast<std::size_t>(index) < tree.nodes.size();
        };
        if (child(node.back, backChildFlag)) stack.push_back(node.back + 1);
        if (child(node.front, frontChildFlag)) stack.push_back(node.front + 1);
    }
}

} // namespace norvane
