#include "output/tree_writer.h"

#include <cmath>
#include <cstring>

#include "bsp/vertex_index.h"
#include "math/float_math.h"
#include "output/atomic_file.h"

namespace norvane {
namespace {

void putU16(std::string& out, std::uint32_t v) { // the low 16 bits of the value
    out += static_cast<char>(v & 0xFF);
    out += static_cast<char>((v >> 8) & 0xFF);
}

void putF32(std::string& out, float f) {
    const std::uint32_t bits = std::isnan(f) ? 0x7FC00000u : floatBits(f);
    for (int i = 0; i < 4; ++i) out += static_cast<char>((bits >> (8 * i)) & 0xFF);
}

void putPlane(std::string& out, const Plane& p) {
    putF32(out, p.a);
    putF32(out, p.b);
    putF32(out, p.c);
    putF32(out, p.d);
}

void putNode(std::string& out, const BspNode& node, const std::vector<std::int32_t>& canonical) {
    putU16(out, node.flags);
    putPlane(out, node.hasPlane ? node.plane : Plane{});
    putU16(out, static_cast<std::uint32_t>(node.storedFaces.size()));
    for (const BspFace& face : node.storedFaces) {
        for (std::uint32_t v : face.verts) putU16(out, static_cast<std::uint32_t>(canonical[v]));
        putU16(out, static_cast<std::uint32_t>(face.id));
        putU16(out, static_cast<std::uint32_t>(face.material));
        putPlane(out, face.plane);
    }
}

bool fitsFormat(const BspTree& tree) {
    if (tree.vertices.size() > maxFileCount || static_cast<std::size_t>(tree.faceCount) > maxFileCount ||
        tree.materialNames.size() > maxFileCount)
        return false;
    for (const BspNode& node : tree.nodes)
        if (node.storedFaces.size() > maxFileCount) return false;
    return true;
}

} // namespace

std::string serializeTree(const BspTree& tree, Console& console) {
    std::string out;
    out += "BSP";
    putU16(out, treeFileVersion);
    putU16(out, static_cast<std::uint32_t>(tree.vertices.size()));
    putU16(out, static_cast<std::uint32_t>(tree.faceCount));
    putU16(out, static_cast<std::uint32_t>(tree.materialNames.size()));
    for (const std::string& name : tree.materialNames) {
        char slot[256] = {};
        std::memcpy(slot, name.data(), name.size() < 255 ? name.size() : 255);
        out.append(slot, sizeof slot);
    }
    for (const Vertex& v : tree.vertices)
        for (float f : {v.x, v.y, v.z, v.u, v.v, v.nx, v.ny, v.nz}) putF32(out, f);

    // A corner is written as the first vertex equal to it in x, y, z, u and v.
    std::vector<std::int32_t> canonical(tree.vertices.size());
    {
        VertexIndex index(tree.vertices);
        for (std::size_t i = 0; i < tree.vertices.size(); ++i) canonical[i] = index.find(tree.vertices[i]);
    }

    if (tree.nodes.empty()) return out;
    // Pre-order walk with its own stack: a positive entry enters node (entry - 1), a negative
    // one leaves node (-entry - 1).
    std::vector<std::int64_t> stack{1};
    std::int32_t level = 0;
    while (!stack.empty()) {
        const std::int64_t entry = stack.back();
        stack.pop_back();
        if (entry < 0) {
            console.print("\r    %s Writing node -B- Level %3d", branchStem, level);
            --level;
            continue;
        }
        const BspNode& node = tree.nodes[static_cast<std::size_t>(entry - 1)];
        ++level;
        console.print("\r    %s Writing node -F- Level %3d", branchStem, level);
        putNode(out, node, canonical);
        stack.push_back(-entry);
        if ((node.flags & hasBackChild) && node.back >= 0) stack.push_back(node.back + 1);
        if ((node.flags & hasFrontChild) && node.front >= 0) stack.push_back(node.front + 1);
    }
    return out;
}

bool writeTree(const BspTree& tree, const std::string& outputName, const std::string& inputName, Console& console) {
    console.print("   Writing BSP_Tree\n");
    if (!fitsFormat(tree)) {
        printError(console, "Tree too large for the BSP file format !");
        return false;
    }
    if (isSameFile(outputName, inputName)) {
        printError(console, "Output file would overwrite the input file !");
        return false;
    }
    console.print("    %s Creating output file\n", branchStem);
    const AtomicWriteResult result = writeFileAtomically(outputName, [&] {
        console.print("    %s Writing header\n", branchStem);
        return serializeTree(tree, console);
    });
    switch (result) {
    case AtomicWriteResult::Written: break;
    case AtomicWriteResult::CannotCreate:
        printError(console, "Cannot create file - disk full / locked ?");
        return false;
    case AtomicWriteResult::CannotWrite:
        printError(console, "Cannot write file - disk full / locked ?");
        return false;
    }
    console.print("\n    %s Done\n", lastStem);
    return true;
}

} // namespace norvane
