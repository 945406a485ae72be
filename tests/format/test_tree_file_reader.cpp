// The public tree file reader: every reference tree reads and checks, from bytes and from its
// path; a crafted file reads into the model it describes; and every kind of damage is reported
// with its code, at its byte offset, with its message.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "norvane/tree_file.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

namespace fs = std::filesystem;
using Code = TreeFileErrorCode;

// Little-endian bytes of a tree file, written field by field.
struct Bytes {
    std::vector<std::uint8_t> data;
    void u16(std::uint16_t v) {
        data.push_back(static_cast<std::uint8_t>(v));
        data.push_back(static_cast<std::uint8_t>(v >> 8));
    }
    void f32(float f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, 4);
        for (int i = 0; i < 4; ++i) data.push_back(static_cast<std::uint8_t>(bits >> (8 * i)));
    }
    void node(std::uint16_t flags, std::array<float, 4> plane, std::uint16_t faces) {
        u16(flags);
        for (float f : plane) f32(f);
        u16(faces);
    }
    void face(std::array<std::uint16_t, 3> verts, std::uint16_t id, std::uint16_t material) {
        for (std::uint16_t v : verts) u16(v);
        u16(id);
        u16(material);
        for (float f : {0.0f, 1.0f, 0.0f, -2.0f}) f32(f);
    }
};

// Two materials, three vertices, two initial faces; a root with one face, a front leaf and a
// back leaf with one face each.
constexpr std::size_t materialsAt = 11, verticesAt = 11 + 2 * 256, rootAt = verticesAt + 3 * 32;
constexpr std::size_t frontAt = rootAt + 46, backAt = frontAt + 46, endAt = backAt + 46;

std::vector<std::uint8_t> smallTree() {
    Bytes b;
    b.data = {'B', 'S', 'P'};
    for (std::uint16_t v : {50, 3, 2, 2}) b.u16(v);
    for (const char* name : {"Stone", "Wood"}) {
        std::uint8_t slot[256] = {};
        std::memcpy(slot, name, std::strlen(name));
        b.data.insert(b.data.end(), slot, slot + 256);
    }
    for (int v = 0; v < 3; ++v)
        for (int k = 0; k < 8; ++k) b.f32(static_cast<float>(10 * v + k));
    b.node(3, {0, 1, 0, -2}, 1);
    b.face({0, 1, 2}, 0, 0);
    b.node(0, {0, 0, 0, 0}, 1);
    b.face({2, 1, 0}, 1, 1);
    b.node(0, {0, 0, 0, 0}, 1);
    b.face({0, 2, 1}, 1, 0xFFFF);
    EXPECT_EQ(b.data.size(), endAt);
    return b.data;
}

void put16(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint16_t v) {
    bytes[at] = static_cast<std::uint8_t>(v);
    bytes[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

TreeFileError readAndCheck(const std::vector<std::uint8_t>& bytes) {
    TreeFile file;
    TreeFileError error;
    if (readTreeFile(bytes, file, error)) {
        EXPECT_EQ(error.code, Code::None);
        checkTreeFile(file, error);
    }
    return error;
}

TEST(TreeFileReader, EveryReferenceTreeReadsAndChecksFromBytesAndFromItsPath) {
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(expectedDir())) {
        if (entry.path().extension() != ".bsp") continue;
        SCOPED_TRACE(entry.path().string());
        const auto bytes = readBytes(entry.path());
        TreeFile fromBytes, fromPath;
        TreeFileError error;
        ASSERT_TRUE(readTreeFile(bytes, fromBytes, error)) << error.message;
        ASSERT_TRUE(checkTreeFile(fromBytes, error)) << error.message;
        ASSERT_TRUE(readTreeFile(entry.path(), fromPath, error)) << error.message;
        EXPECT_EQ(fromPath.size, bytes.size());
        EXPECT_EQ(fromPath.nodes.size(), fromBytes.nodes.size());
        ASSERT_FALSE(fromBytes.nodes.empty());
        EXPECT_EQ(fromBytes.nodes.back().offset + treeFormat50.nodeRecordSize +
                      treeFormat50.faceRecordSize * fromBytes.nodes.back().faces.size(),
                  bytes.size());
        ++checked;
    }
    EXPECT_GE(checked, 16);
}

TEST(TreeFileReader, ACraftedFileReadsIntoTheModelItDescribes) {
    TreeFile file;
    TreeFileError error;
    ASSERT_TRUE(readTreeFile(smallTree(), file, error)) << error.message;
    ASSERT_TRUE(checkTreeFile(file, error)) << error.message;
    EXPECT_EQ(file.version, 50);
    EXPECT_EQ(file.size, endAt);
    EXPECT_EQ(file.materials, (std::vector<std::string>{"Stone", "Wood"}));
    ASSERT_EQ(file.vertices.size(), 3u);
    EXPECT_EQ(file.vertices[2].nz, 27.0f);
    ASSERT_EQ(file.nodes.size(), 3u);
    const TreeFileNode& root = file.nodes[0];
    EXPECT_EQ(root.offset, rootAt);
    EXPECT_EQ(root.depth, 1);
    EXPECT_EQ(nodePath(file, 0), "");
    EXPECT_EQ(root.front, 1);
    EXPECT_EQ(root.back, 2);
    EXPECT_EQ(root.plane.d, -2.0f);
    EXPECT_EQ(nodePath(file, 1), "F");
    EXPECT_EQ(file.nodes[1].offset, frontAt);
    EXPECT_EQ(nodePath(file, 2), "B");
    EXPECT_EQ(file.nodes[2].depth, 2);
    EXPECT_EQ(file.nodes[2].offset, backAt);
    EXPECT_EQ(file.nodes[2].faces[0].material, noMaterialOf(file));
    EXPECT_EQ(noMaterialOf(file), 0xFFFFu);
    EXPECT_EQ(file.nodes[1].faces[0].verts[0], 2u);
}

struct Damage {
    const char* what;
    std::function<void(std::vector<std::uint8_t>&)> apply;
    Code code;
    std::uint64_t offset;
    const char* message;
};

TEST(TreeFileReader, EachDamageIsReportedWithItsCodeOffsetAndMessage) {
    using Vec = std::vector<std::uint8_t>;
    const auto cut = [](std::size_t size) { return [size](Vec& b) { b.resize(size); }; };
    const std::vector<Damage> damages = {
        {"ten bytes", cut(10), Code::TruncatedHeader, 0, "file shorter than the 11-byte header"},
        {"magic", [](Vec& b) { b[1] = 'X'; }, Code::BadMagic, 0, "magic is not \"BSP\""},
        {"second slot cut", cut(materialsAt + 256 + 100), Code::TruncatedMaterialTable, materialsAt + 256,
         "material table ends early (slot 1)"},
        {"second slot without NUL", [](Vec& b) { std::memset(&b[materialsAt + 256], 'x', 256); },
         Code::UnterminatedMaterialSlot, materialsAt + 256, "material slot 1 has no terminator"},
        {"second vertex cut", cut(verticesAt + 32 + 5), Code::TruncatedVertexTable, verticesAt + 32,
         "vertex table ends early (vertex 1)"},
        {"front node cut", cut(frontAt + 10), Code::TruncatedNodeRecord, frontAt, "node record 1 ends early"},
        {"flag bit 2", [](Vec& b) { put16(b, rootAt, 4); }, Code::UnknownFlagBits, rootAt,
         "node 0 has unknown flag bits"},
        {"flag bit 8", [](Vec& b) { put16(b, backAt, 0x100); }, Code::UnknownFlagBits, backAt,
         "node 2 has unknown flag bits"},
        {"back face cut", cut(backAt + 20 + 3), Code::TruncatedFaceRecords, backAt + 20,
         "face records of node 2 end early"},
        {"a leaf claims a child", [](Vec& b) { put16(b, backAt, 1); }, Code::TruncatedNodeRecord, endAt,
         "node record 3 ends early"},
        {"three more bytes", [](Vec& b) { b.resize(b.size() + 3, 0xAB); }, Code::TrailingBytes, endAt,
         "3 bytes after the last node record"},
        {"root becomes a leaf", [](Vec& b) { put16(b, rootAt, 0); }, Code::TrailingBytes, frontAt,
         "92 bytes after the last node record"},
        {"version 52", [](Vec& b) { put16(b, 3, 52); }, Code::BadVersion, 3, "version is 52, not 50 or 51"},
        {"corner 2 of the front leaf", [](Vec& b) { put16(b, frontAt + 20 + 4, 3); }, Code::CornerOutOfRange,
         frontAt + 20 + 4, "node 1 face 0: corner index 3 not below vertexCount 3"},
        {"id of the back leaf", [](Vec& b) { put16(b, backAt + 20 + 6, 2); }, Code::IdOutOfRange, backAt + 20 + 6,
         "node 2 face 0: id 2 not below faceCount 2"},
        {"material of the root", [](Vec& b) { put16(b, rootAt + 20 + 8, 2); }, Code::MaterialOutOfRange,
         rootAt + 20 + 8, "node 0 face 0: material 2 not below materialCount 2"},
        {"material 0xFFFE", [](Vec& b) { put16(b, backAt + 20 + 8, 0xFFFE); }, Code::MaterialOutOfRange,
         backAt + 20 + 8, "node 2 face 0: material 65534 not below materialCount 2"},
        // Checking stops at the first violation in file order; reading problems come first.
        {"two bad ids", [](Vec& b) { put16(b, backAt + 26, 9), put16(b, frontAt + 26, 7); }, Code::IdOutOfRange,
         frontAt + 26, "node 1 face 0: id 7 not below faceCount 2"},
        {"bad version and trailing bytes", [](Vec& b) { put16(b, 3, 7), b.push_back(0); }, Code::TrailingBytes, endAt,
         "1 bytes after the last node record"},
    };
    const Vec good = smallTree();
    ASSERT_EQ(readAndCheck(good).code, Code::None);
    for (const Damage& d : damages) {
        SCOPED_TRACE(d.what);
        Vec bytes = good;
        d.apply(bytes);
        const TreeFileError error = readAndCheck(bytes);
        EXPECT_EQ(error.code, d.code) << errorCodeName(error.code) << ": " << error.message;
        EXPECT_EQ(error.offset, d.offset);
        EXPECT_EQ(error.message, d.message);
    }
}

TEST(TreeFileReader, AFileThatCannotBeReadSaysSo) {
    TempDir dir("tree_file_reader");
    TreeFile file;
    TreeFileError error;
    for (const fs::path& path : {dir / "missing.bsp", dir.path()}) {
        SCOPED_TRACE(path.string());
        EXPECT_FALSE(readTreeFile(path, file, error));
        EXPECT_EQ(error.code, Code::CannotReadFile);
        EXPECT_EQ(error.offset, 0u);
        EXPECT_EQ(error.message, "cannot read the file");
    }
    // Damage found in a file read from its path is reported as from its bytes.
    auto bytes = smallTree();
    bytes.resize(frontAt + 10);
    writeBytes(dir / "cut.bsp", bytes);
    EXPECT_FALSE(readTreeFile(dir / "cut.bsp", file, error));
    EXPECT_EQ(error.code, Code::TruncatedNodeRecord);
    EXPECT_EQ(error.offset, frontAt);
    writeBytes(dir / "empty.bsp", {});
    EXPECT_FALSE(readTreeFile(dir / "empty.bsp", file, error));
    EXPECT_EQ(error.code, Code::TruncatedHeader);
}

TEST(TreeFileReader, AChainOfAQuarterMillionLevelsReadsWithoutRecursionOrPathsPerNode) {
    Bytes b;
    b.data = {'B', 'S', 'P'};
    for (std::uint16_t v : {50, 0, 0, 0}) b.u16(v);
    // 5 MB of node records; a path kept per node would take 31 GB.
    const int levels = 250000;
    for (int i = 0; i < levels; ++i)
        b.node(i + 1 == levels ? 0 : static_cast<std::uint16_t>(1 + i % 2), {1, 0, 0, 0}, 0);
    TreeFile file;
    TreeFileError error;
    ASSERT_TRUE(readTreeFile(b.data, file, error)) << error.message;
    ASSERT_EQ(file.nodes.size(), static_cast<std::size_t>(levels));
    EXPECT_EQ(file.nodes.back().depth, levels);
    EXPECT_EQ(nodePath(file, 2), "FB");
    EXPECT_EQ(nodePath(file, levels - 1).size(), static_cast<std::size_t>(levels - 1));
}

} // namespace
} // namespace norvane::test
