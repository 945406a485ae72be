// Version 51 of the tree file beside version 50: the same tree in both layouts, the choice of
// the smallest that holds it, the limits that send a tree to version 51, and the reader and
// checker on version 51's widths.
#include <gtest/gtest.h>

#include "scene3ds/generators.h"
#include "norvane/compile.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

std::vector<std::uint8_t> generated(const std::string& kind, std::uint32_t faces) {
    return scene3ds::writeScene(scene3ds::generateScene(kind, 2, faces));
}

Compiled compiledAs(const std::vector<std::uint8_t>& scene, TreeFormatChoice format) {
    BuildOptions options;
    options.format = format;
    return compileBytes(scene, options);
}

TreeFile readBack(const std::vector<std::uint8_t>& bytes) {
    TreeFile file;
    TreeFileError error;
    EXPECT_TRUE(readTreeFile(bytes, file, error) && checkTreeFile(file, error)) << error.message;
    return file;
}

TEST(TreeFormats, Version51HoldsTheSameTreeInWiderFields) {
    const auto scene = generated("city", 1500);
    const Compiled narrow = compiledAs(scene, TreeFormatChoice::Version50);
    const Compiled wide = compiledAs(scene, TreeFormatChoice::Version51);
    ASSERT_TRUE(narrow.tree && wide.tree);
    const TreeFile a = readBack(narrow.file), b = readBack(wide.file);
    EXPECT_EQ(a.version, 50);
    EXPECT_EQ(b.version, 51);
    std::uint64_t faces = 0;
    for (const TreeFileNode& n : b.nodes) faces += n.faces.size();
    EXPECT_EQ(wide.file.size(), treeFormat51.headerSize + materialSlotSize * b.materialCount +
                                    vertexRecordSize * b.vertexCount + treeFormat51.nodeRecordSize * b.nodes.size() +
                                    treeFormat51.faceRecordSize * faces);
    ASSERT_EQ(a.nodes.size(), b.nodes.size());
    EXPECT_EQ(a.vertexCount, b.vertexCount);
    for (std::size_t n = 0; n < a.nodes.size(); ++n) {
        ASSERT_EQ(a.nodes[n].faces.size(), b.nodes[n].faces.size());
        EXPECT_EQ(a.nodes[n].flags, b.nodes[n].flags);
        for (std::size_t f = 0; f < a.nodes[n].faces.size(); ++f) {
            const TreeFileFace& x = a.nodes[n].faces[f];
            const TreeFileFace& y = b.nodes[n].faces[f];
            EXPECT_TRUE(std::equal(x.verts, x.verts + 3, y.verts));
            EXPECT_EQ(x.id, y.id);
            EXPECT_EQ(x.material == noMaterialOf(a), y.material == noMaterialOf(b));
            if (x.material != noMaterialOf(a)) {
                EXPECT_EQ(x.material, y.material);
            }
        }
    }
    EXPECT_EQ(test::consoleTail(narrow.console), test::consoleTail(wide.console)) << "the same build";
}

TEST(TreeFormats, TheSmallestFormatIsVersion50WheneverTheTreeFits) {
    const auto scene = generated("level", 2000);
    EXPECT_EQ(compiledAs(scene, TreeFormatChoice::Smallest).file, compiledAs(scene, TreeFormatChoice::Version50).file);
}

// A strip of quads whose vertices alone outgrow version 50.
Scene manyVertices(std::size_t quads) {
    Scene scene;
    Mesh mesh;
    for (std::size_t i = 0; i < quads; ++i) {
        const float x = static_cast<float>(i);
        for (const auto& [px, py] : {std::pair{x, 0.0f}, {x + 1, 0.0f}, {x, 1.0f}, {x + 1, 1.0f}}) {
            Vertex v;
            v.x = px, v.y = py;
            mesh.vertices.push_back(v);
        }
        const auto base = static_cast<std::uint32_t>(4 * i);
        Face a, b;
        a.corners[0] = base, a.corners[1] = base + 2, a.corners[2] = base + 1;
        b.corners[0] = base + 1, b.corners[1] = base + 2, b.corners[2] = base + 3;
        a.plane = b.plane = Plane{0, 0, -1, 0};
        mesh.faces.push_back(a);
        mesh.faces.push_back(b);
    }
    scene.meshes.push_back(mesh);
    return scene;
}

TEST(TreeFormats, ATreeBeyondVersion50NamesTheLimitAndVersion51HoldsIt) {
    const Scene scene = manyVertices(17000); // 68,000 vertices, 34,000 faces in one plane
    TreeFile tree;
    BuildError error;
    BuildOptions options;
    EXPECT_FALSE(compileScene(scene, tree, error, options));
    EXPECT_EQ(error.code, BuildErrorCode::TooManyVertices);
    EXPECT_NE(error.message.find("version 51 holds it"), std::string::npos) << error.message;

    options.format = TreeFormatChoice::Smallest;
    ASSERT_TRUE(compileScene(scene, tree, error, options)) << error.message;
    EXPECT_EQ(tree.version, 51);
    std::vector<std::uint8_t> bytes;
    WriteError writeError;
    ASSERT_TRUE(treeFileBytes(tree, bytes, writeError)) << writeError.message;
    const TreeFile read = readBack(bytes);
    EXPECT_EQ(read.vertexCount, 68000u);
    EXPECT_EQ(read.faceCount, 34000u);

    // The same tree laid out for version 50 cannot be written.
    tree.version = 50;
    EXPECT_FALSE(treeFileBytes(tree, bytes, writeError));
    EXPECT_EQ(writeError.code, WriteErrorCode::TooManyVertices);
}

TEST(TreeFormats, TheReaderAndCheckerMeasureVersion51sWidths) {
    const Compiled wide = compiledAs(generated("arena", 300), TreeFormatChoice::Version51);
    ASSERT_TRUE(wide.tree);
    std::vector<std::uint8_t> cut(wide.file.begin(), wide.file.begin() + 15);
    TreeFile file;
    TreeFileError error;
    EXPECT_FALSE(readTreeFile(cut, file, error));
    EXPECT_EQ(error.code, TreeFileErrorCode::TruncatedHeader);
    EXPECT_EQ(error.message, "file shorter than the 17-byte header of version 51");

    // The first face's third corner: 4 bytes each, after the root's 22-byte record.
    const TreeFile good = readBack(wide.file);
    std::uint64_t at = 0;
    for (const TreeFileNode& n : good.nodes)
        if (!n.faces.empty()) {
            at = n.offset + treeFormat51.nodeRecordSize + 8;
            break;
        }
    ASSERT_GT(at, 0u);
    auto bad = wide.file;
    bad[at + 3] = 0x7F; // far beyond the vertex count
    ASSERT_TRUE(readTreeFile(bad, file, error)) << error.message;
    EXPECT_FALSE(checkTreeFile(file, error));
    EXPECT_EQ(error.code, TreeFileErrorCode::CornerOutOfRange);
    EXPECT_EQ(error.offset, at);
}

} // namespace
} // namespace norvane::test
