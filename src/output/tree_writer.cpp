#include "output/tree_writer.h"

#include <cassert>
#include <cmath>
#include <cstring>

#include "math/float_math.h"

namespace norvane {
namespace {

// Writes into bytes sized beforehand: appending byte by byte to a string checked its capacity
// at every byte, and the writer took as long as the lists.
struct ByteCursor {
    char* at;

    void uint(std::uint32_t v, std::uint32_t width) { // the low `width` bytes, least significant first
        for (std::uint32_t i = 0; i < width; ++i) *at++ = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    void f32(float f) { uint(std::isnan(f) ? 0x7FC00000u : floatBits(f), 4); }
    void plane(const Plane& p) {
        f32(p.a), f32(p.b), f32(p.c), f32(p.d);
    }
    void bytes(const char* from, std::size_t n) {
        std::memcpy(at, from, n);
        at += n;
    }
};

void putNode(ByteCursor& out, const TreeFileNode& node, const TreeFormat& format) {
    const std::uint32_t width = format.countBytes;
    out.uint(node.flags, 2);
    out.plane(node.plane);
    out.uint(static_cast<std::uint32_t>(node.faces.size()), width);
    for (const TreeFileFace& face : node.faces) {
        for (std::uint32_t v : face.verts) out.uint(v, width);
        out.uint(face.id, width);
        out.uint(face.material, width);
        out.plane(face.plane);
    }
}

void putTables(ByteCursor& out, const TreeFile& tree, const TreeFormat& format) {
    out.bytes(treeMagic, sizeof treeMagic);
    out.uint(format.version, 2);
    out.uint(static_cast<std::uint32_t>(tree.vertices.size()), format.countBytes);
    out.uint(tree.faceCount, format.countBytes);
    out.uint(static_cast<std::uint32_t>(tree.materials.size()), format.countBytes);
    for (const std::string& name : tree.materials) {
        char slot[materialSlotSize] = {};
        std::memcpy(slot, name.data(), name.size() < materialSlotSize - 1 ? name.size() : materialSlotSize - 1);
        out.bytes(slot, sizeof slot);
    }
    for (const Vertex& v : tree.vertices)
        for (float f : {v.x, v.y, v.z, v.u, v.v, v.nx, v.ny, v.nz}) out.f32(f);
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

namespace {

// The nodes in pre-order from the root, with their own stack: enter(node, level) as a node is
// reached and leave(level) once its subtree is done.
template <class Enter, class Leave> void walkPreorder(const TreeFile& tree, Enter enter, Leave leave) {
    if (tree.nodes.empty()) return;
    // A positive entry enters node (entry - 1), a negative one leaves node (-entry - 1).
    std::vector<std::int64_t> stack{1};
    std::int32_t level = 0;
    while (!stack.empty()) {
        const std::int64_t entry = stack.back();
        stack.pop_back();
        if (entry < 0) {
            leave(level);
            --level;
            continue;
        }
        const TreeFileNode& node = tree.nodes[static_cast<std::size_t>(entry - 1)];
        enter(node, ++level);
        stack.push_back(-entry);
        const auto child = [&](std::int32_t index, std::uint16_t flag) {
            return (node.flags & flag) && index >= 0 && static_cast<std::size_t>(index) < tree.nodes.size();
        };
        if (child(node.back, backChildFlag)) stack.push_back(node.back + 1);
        if (child(node.front, frontChildFlag)) stack.push_back(node.front + 1);
    }
}

} // namespace

void reportTreeWalk(const TreeFile& tree, CompileProgress& progress) {
    walkPreorder(
        tree, [&](const TreeFileNode&, std::int32_t level) { progress.writeNode(true, level); },
        [&](std::int32_t level) { progress.writeNode(false, level); });
}

void serializeTree(const TreeFile& tree, const TreeFormat& format, CompileProgress& progress, std::string& bytes) {
    // Sized by the same walk that writes, so a node the walk does not reach takes no room and a
    // node it reaches twice takes it twice, in a model made by hand as in one the build made.
    std::uint64_t size = format.headerSize + materialSlotSize * tree.materials.size() +
                         vertexRecordSize * tree.vertices.size();
    walkPreorder(
        tree,
        [&](const TreeFileNode& node, std::int32_t) {
            size += format.nodeRecordSize + format.faceRecordSize * node.faces.size();
        },
        [](std::int32_t) {});
    const std::size_t begin = bytes.size();
    bytes.resize(begin + size);
    ByteCursor out{bytes.data() + begin};
    putTables(out, tree, format);
    walkPreorder(
        tree,
        [&](const TreeFileNode& node, std::int32_t level) {
            progress.writeNode(true, level);
            putNode(out, node, format);
        },
        [&](std::int32_t level) { progress.writeNode(false, level); });
    assert(out.at == bytes.data() + bytes.size() && "the bytes sized for every node written");
}

} // namespace norvane
