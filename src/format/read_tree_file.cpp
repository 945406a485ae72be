// Reading a tree file's structure. A file is read whole and within a limit; the tree is read
// in pre-order with a stack of its own, so no depth can overflow the call stack.
#include <cstring>
#include <new>

#include "common/input_file.h"
#include "format/byte_reader.h"
#include "common/fail_with.h"
#include "norvane/tree_file.h"

namespace norvane {
namespace {

bool readTables(ByteReader& in, TreeFile& file, TreeFileError& error) {
    using enum TreeFileErrorCode;
    for (std::uint32_t i = 0; i < file.materialCount; ++i) {
        if (!in.has(materialSlotSize))
            return failWith(error, TruncatedMaterialTable, in.pos,
                        "material table ends early (slot " + std::to_string(i) + ")");
        const char* slot = reinterpret_cast<const char*>(in.bytes.data() + in.pos);
        const void* nul = std::memchr(slot, 0, materialSlotSize);
        if (!nul)
            return failWith(error, UnterminatedMaterialSlot, in.pos,
                        "material slot " + std::to_string(i) + " has no terminator");
        file.materials.emplace_back(slot, static_cast<const char*>(nul));
        in.pos += materialSlotSize;
    }
    for (std::uint32_t i = 0; i < file.vertexCount; ++i) {
        if (!in.has(vertexRecordSize))
            return failWith(error, TruncatedVertexTable, in.pos,
                        "vertex table ends early (vertex " + std::to_string(i) + ")");
        Vertex v;
        for (float* f : {&v.x, &v.y, &v.z, &v.u, &v.v, &v.nx, &v.ny, &v.nz}) *f = in.f32();
        file.vertices.push_back(v);
    }
    return true;
}

// One node record and its faces; the node's place in the tree is set by the caller.
bool readNode(ByteReader& in, const TreeFormat& format, std::size_t index, TreeFileNode& node, TreeFileError& error) {
    using enum TreeFileErrorCode;
    const std::uint64_t offset = in.pos;
    if (!in.has(format.nodeRecordSize))
        return failWith(error, TruncatedNodeRecord, offset, "node record " + std::to_string(index) + " ends early");
    node.offset = offset;
    node.flags = in.u16();
    node.plane = Plane{in.f32(), in.f32(), in.f32(), in.f32()};
    const std::uint32_t n = in.uint(format.countBytes);
    if (node.flags > (frontChildFlag | backChildFlag))
        return failWith(error, UnknownFlagBits, offset, "node " + std::to_string(index) + " has unknown flag bits");
    if (!in.has(format.faceRecordSize * n))
        return failWith(error, TruncatedFaceRecords, in.pos,
                    "face records of node " + std::to_string(index) + " end early");
    node.faces.resize(n);
    for (TreeFileFace& face : node.faces) {
        for (std::uint32_t& v : face.verts) v = in.uint(format.countBytes);
        face.id = in.uint(format.countBytes);
        face.material = in.uint(format.countBytes);
        face.plane = Plane{in.f32(), in.f32(), in.f32(), in.f32()};
    }
    return true;
}

// Pre-order: a node record, then its front subtree, then its back subtree. The stack holds
// the children still to read, each with its parent and side.
bool readNodes(ByteReader& in, const TreeFormat& format, TreeFile& file, TreeFileError& error) {
    struct Pending {
        std::int32_t parent;
        bool front;
    };
    std::vector<Pending> pending{{-1, true}};
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        TreeFileNode node;
        if (!readNode(in, format, file.nodes.size(), node, error)) return false;
        const auto index = static_cast<std::int32_t>(file.nodes.size());
        node.depth = 1;
        if (next.parent >= 0) {
            TreeFileNode& parent = file.nodes[static_cast<std::size_t>(next.parent)];
            (next.front ? parent.front : parent.back) = index;
            node.depth = parent.depth + 1;
            node.parent = next.parent;
        }
        const std::uint16_t flags = node.flags;
        file.nodes.push_back(std::move(node));
        if (flags & backChildFlag) pending.push_back({index, false});
        if (flags & frontChildFlag) pending.push_back({index, true});
    }
    return true;
}

bool readStructure(std::span<const std::uint8_t> bytes, TreeFile& file, TreeFileError& error) {
    using enum TreeFileErrorCode;
    file.size = bytes.size();
    ByteReader in{bytes};
    if (!in.has(treeFormat50.headerSize))
        return failWith(error, TruncatedHeader, 0, "file shorter than the 11-byte header");
    if (std::memcmp(bytes.data(), treeMagic, sizeof treeMagic) != 0)
        return failWith(error, BadMagic, 0, "magic is not \"BSP\"");
    in.pos = sizeof treeMagic;
    file.version = in.u16();
    // A version no reader knows is read as version 50 is; checking names it.
    const TreeFormat& format = file.version == treeFormat51.version ? treeFormat51 : treeFormat50;
    if (!in.has(format.headerSize - in.pos))
        return failWith(error, TruncatedHeader, 0,
                    "file shorter than the " + std::to_string(format.headerSize) + "-byte header of version " +
                        std::to_string(format.version));
    file.vertexCount = in.uint(format.countBytes);
    file.faceCount = in.uint(format.countBytes);
    file.materialCount = in.uint(format.countBytes);
    if (!readTables(in, file, error) || !readNodes(in, format, file, error)) return false;
    if (in.pos != bytes.size())
        return failWith(error, TrailingBytes, in.pos,
                    std::to_string(bytes.size() - in.pos) + " bytes after the last node record");
    return true;
}

} // namespace

bool readTreeFile(std::span<const std::uint8_t> bytes, TreeFile& file, TreeFileError& error) {
    file = TreeFile{};
    error = TreeFileError{};
    try {
        return readStructure(bytes, file, error);
    } catch (const std::bad_alloc&) {
        return failWith(error, TreeFileErrorCode::OutOfMemory, 0, "the tree does not fit in memory");
    }
}

bool readTreeFile(const std::filesystem::path& path, TreeFile& file, TreeFileError& error) {
    file = TreeFile{};
    std::vector<std::uint8_t> bytes;
    ReadStatus status;
    try {
        status = readInput(path, bytes, maxTreeFileSize);
    } catch (const std::bad_alloc&) {
        return failWith(error, TreeFileErrorCode::OutOfMemory, 0, "the tree does not fit in memory");
    }
    if (status == ReadStatus::TooLarge)
        return failWith(error, TreeFileErrorCode::FileTooLarge, 0,
                    "the file is larger than " + std::to_string(maxTreeFileSize) + " bytes");
    if (status != ReadStatus::Ok) return failWith(error, TreeFileErrorCode::CannotReadFile, 0, "cannot read the file");
    return readTreeFile(std::span<const std::uint8_t>(bytes), file, error);
}

std::string nodePath(const TreeFile& file, std::int32_t node) {
    std::string path;
    for (std::int32_t at = node; at >= 0 && file.nodes[static_cast<std::size_t>(at)].parent >= 0;) {
        const std::int32_t parent = file.nodes[static_cast<std::size_t>(at)].parent;
        path += file.nodes[static_cast<std::size_t>(parent)].front == at ? 'F' : 'B';
        at = parent;
    }
    return std::string(path.rbegin(), path.rend());
}

} // namespace norvane
