#include "norvane/tree_file.h"

#include <cassert>
#include <cstring>
#include <fstream>
#include <iterator>

namespace norvane {
namespace {

struct Reader {
    std::span<const std::uint8_t> bytes;
    std::uint64_t pos = 0;

    bool has(std::uint64_t n) const { return pos <= bytes.size() && bytes.size() - pos >= n; }
    std::uint16_t u16() {
        assert(has(2));
        const std::uint16_t v = static_cast<std::uint16_t>(bytes[pos] | (bytes[pos + 1] << 8));
        pos += 2;
        return v;
    }
    float f32() {
        assert(has(4));
        std::uint32_t bits = 0;
        for (int i = 0; i < 4; ++i) bits |= static_cast<std::uint32_t>(bytes[pos + i]) << (8 * i);
        pos += 4;
        float f;
        std::memcpy(&f, &bits, 4);
        return f;
    }
};

bool fail(TreeFileError& error, TreeFileErrorCode code, std::uint64_t offset, std::string message) {
    error.code = code;
    error.offset = offset;
    error.message = std::move(message);
    return false;
}

} // namespace

bool readTreeFile(std::span<const std::uint8_t> bytes, TreeFile& file, TreeFileError& error) {
    using enum TreeFileErrorCode;
    file = TreeFile{};
    file.size = bytes.size();
    Reader in{bytes};
    if (!in.has(treeHeaderSize)) return fail(error, TruncatedHeader, 0, "file shorter than the 11-byte header");
    if (std::memcmp(bytes.data(), "BSP", 3) != 0) return fail(error, BadMagic, 0, "magic is not \"BSP\"");
    in.pos = 3;
    file.version = in.u16();
    file.vertexCount = in.u16();
    file.faceCount = in.u16();
    file.materialCount = in.u16();

    for (int i = 0; i < file.materialCount; ++i) {
        if (!in.has(materialSlotSize))
            return fail(error, TruncatedMaterialTable, in.pos,
                        "material table ends early (slot " + std::to_string(i) + ")");
        const char* slot = reinterpret_cast<const char*>(bytes.data() + in.pos);
        const void* nul = std::memchr(slot, 0, materialSlotSize);
        if (!nul)
            return fail(error, UnterminatedMaterialSlot, in.pos,
                        "material slot " + std::to_string(i) + " has no terminator");
        file.materials.emplace_back(slot, static_cast<const char*>(nul));
        in.pos += materialSlotSize;
    }
    for (int i = 0; i < file.vertexCount; ++i) {
        if (!in.has(vertexRecordSize))
            return fail(error, TruncatedVertexTable, in.pos,
                        "vertex table ends early (vertex " + std::to_string(i) + ")");
        std::array<float, 8> v;
        for (float& f : v) f = in.f32();
        file.vertices.push_back(v);
    }

    // Pre-order: a node record, then its front subtree, then its back subtree. The stack holds
    // the children still to read, each with its parent and side, so depth costs no recursion.
    struct Pending {
        std::int32_t parent;
        bool front;
    };
    std::vector<Pending> pending{{-1, true}};
    while (!pending.empty()) {
        const Pending next = pending.back();
        pending.pop_back();
        const std::uint64_t offset = in.pos;
        if (!in.has(nodeRecordSize))
            return fail(error, TruncatedNodeRecord, offset,
                        "node record " + std::to_string(file.nodes.size()) + " ends early");
        TreeFileNode node;
        node.offset = offset;
        node.flags = in.u16();
        for (float& f : node.plane) f = in.f32();
        const std::uint16_t n = in.u16();
        if (node.flags > (frontChildFlag | backChildFlag))
            return fail(error, UnknownFlagBits, offset,
                        "node " + std::to_string(file.nodes.size()) + " has unknown flag bits");
        if (!in.has(faceRecordSize * n))
            return fail(error, TruncatedFaceRecords, in.pos,
                        "face records of node " + std::to_string(file.nodes.size()) + " end early");
        node.faces.resize(n);
        for (TreeFileFace& face : node.faces) {
            for (std::uint16_t& v : face.verts) v = in.u16();
            face.id = in.u16();
            face.material = in.u16();
            for (float& f : face.plane) f = in.f32();
        }
        const auto index = static_cast<std::int32_t>(file.nodes.size());
        if (next.parent >= 0) {
            TreeFileNode& parent = file.nodes[static_cast<std::size_t>(next.parent)];
            (next.front ? parent.front : parent.back) = index;
            node.depth = parent.depth + 1;
            node.parent = next.parent;
        } else {
            node.depth = 1;
        }
        file.nodes.push_back(std::move(node));
        const std::uint16_t flags = file.nodes.back().flags;
        if (flags & backChildFlag) pending.push_back({index, false});
        if (flags & frontChildFlag) pending.push_back({index, true});
    }
    if (in.pos != bytes.size())
        return fail(error, TrailingBytes, in.pos,
                    std::to_string(bytes.size() - in.pos) + " bytes after the last node record");
    error = TreeFileError{};
    return true;
}

bool readTreeFile(const std::filesystem::path& path, TreeFile& file, TreeFileError& error) {
    file = TreeFile{};
    std::ifstream in(path, std::ios::binary);
    std::vector<std::uint8_t> bytes;
    char block[65536];
    while (in) {
        in.read(block, sizeof block);
        bytes.insert(bytes.end(), block, block + in.gcount());
    }
    // A folder opens on some systems and fails only on the first read.
    if (!in.is_open() || in.bad()) return fail(error, TreeFileErrorCode::CannotReadFile, 0, "cannot read the file");
    return readTreeFile(std::span<const std::uint8_t>(bytes), file, error);
}

bool checkTreeFile(const TreeFile& file, TreeFileError& error) {
    using enum TreeFileErrorCode;
    if (file.version != treeFileVersion)
        return fail(error, BadVersion, 3, "version is " + std::to_string(file.version) + ", not 50");
    for (std::size_t n = 0; n < file.nodes.size(); ++n) {
        const TreeFileNode& node = file.nodes[n];
        for (std::size_t i = 0; i < node.faces.size(); ++i) {
            const TreeFileFace& face = node.faces[i];
            const std::uint64_t at = node.offset + nodeRecordSize + faceRecordSize * i;
            const std::string where = "node " + std::to_string(n) + " face " + std::to_string(i) + ": ";
            for (int k = 0; k < 3; ++k)
                if (face.verts[k] >= file.vertexCount)
                    return fail(error, CornerOutOfRange, at + 2 * k,
                                where + "corner index " + std::to_string(face.verts[k]) + " not below vertexCount " +
                                    std::to_string(file.vertexCount));
            if (face.id >= file.faceCount)
                return fail(error, IdOutOfRange, at + 6,
                            where + "id " + std::to_string(face.id) + " not below faceCount " +
                                std::to_string(file.faceCount));
            if (face.material != noMaterial && face.material >= file.materialCount)
                return fail(error, MaterialOutOfRange, at + 8,
                            where + "material " + std::to_string(face.material) + " not below materialCount " +
                                std::to_string(file.materialCount));
        }
    }
    error = TreeFileError{};
    return true;
}

const char* errorCodeName(TreeFileErrorCode code) {
    // In the order of the enumeration.
    static const char* const names[] = {
        "None",
        "TruncatedHeader",
        "BadMagic",
        "TruncatedMaterialTable",
        "UnterminatedMaterialSlot",
        "TruncatedVertexTable",
        "TruncatedNodeRecord",
        "UnknownFlagBits",
        "TruncatedFaceRecords",
        "TrailingBytes",
        "CannotReadFile",
        "BadVersion",
        "CornerOutOfRange",
        "IdOutOfRange",
        "MaterialOutOfRange",
    };
    static_assert(std::size(names) == static_cast<std::size_t>(TreeFileErrorCode::MaterialOutOfRange) + 1);
    const auto index = static_cast<std::size_t>(code);
    return index < std::size(names) ? names[index] : "unknown";
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
