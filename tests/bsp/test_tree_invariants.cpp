// Whole builds on many generated scenes, checked against the properties every finished tree
// must have; and the build's console for the smallest scenes, byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>
#include <random>

#include "bsp/classify.h"
#include "scene3ds/generators.h"
#include "norvane/tree_file.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

using scene3ds::ChunkWriter;

// Random boxes and loose triangles, some coplanar, some sharing vertices across meshes.
std::vector<std::uint8_t> randomScene(unsigned seed) {
    std::mt19937 rng(seed);
    auto coord = [&](int range) { return static_cast<float>(static_cast<int>(rng() % (2 * range + 1)) - range) / 2.0f; };
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMaterial(w, materialOf("A"));
    writeMaterial(w, materialOf("B"));
    const int boxes = static_cast<int>(rng() % 5);
    for (int b = 0; b < boxes; ++b)
        writeMesh(w, boxMesh("Box" + std::to_string(b), coord(8), coord(8), coord(8), 1.0f + static_cast<float>(rng() % 4),
                 b % 2 ? "A" : "B"));
    std::vector<scene3ds::Point> points;
    std::vector<std::array<std::uint16_t, 3>> faces;
    const int loose = static_cast<int>(rng() % 24);
    for (int t = 0; t < loose; ++t) {
        for (int k = 0; k < 3; ++k) points.push_back({coord(6), coord(6), coord(6)});
        const auto base = static_cast<std::uint16_t>(3 * t);
        faces.push_back({base, static_cast<std::uint16_t>(base + 1), static_cast<std::uint16_t>(base + 2)});
    }
    if (loose) writeMesh(w, meshOf("Soup", points, faces, "Missing"));
    w.end();
    w.end();
    return w.bytes();
}

// `listVertices` is the number of vertices of the scene's meshes: the tree's vertex list holds
// those and two more for every split.
void checkInvariants(const TreeFile& tree, const std::string& console, std::size_t listVertices) {
    const auto& vs = tree.vertices;
    std::size_t stored = 0;
    std::map<std::uint32_t, Plane> planeOfId;
    for (const TreeFileNode& node : tree.nodes) stored += node.faces.size();

    // A node's own faces come unsplit from its input, so they lie on the side of the parent's
    // plane that the node hangs on. (Deeper pieces may not: a cut next to an on-plane corner can
    // place a new vertex beyond that corner, off the planes of older ancestors.)
    std::vector<std::pair<std::int32_t, Side>> parentOf(tree.nodes.size(), {-1, On});
    for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
        const TreeFileNode& node = tree.nodes[n];
        if (node.flags & frontChildFlag) parentOf[static_cast<std::size_t>(node.front)] = {static_cast<std::int32_t>(n), Front};
        if (node.flags & backChildFlag) parentOf[static_cast<std::size_t>(node.back)] = {static_cast<std::int32_t>(n), Back};
    }
    for (std::size_t n = 0; n < tree.nodes.size(); ++n) {
        const TreeFileNode& node = tree.nodes[n];
        for (const TreeFileFace& f : node.faces) {
            ASSERT_LT(f.id, tree.faceCount);
            for (std::uint32_t c : f.verts) ASSERT_LT(c, vs.size());
            const auto [it, fresh] = planeOfId.emplace(f.id, f.plane);
            if (!fresh) {
                EXPECT_EQ(std::memcmp(&it->second, &f.plane, sizeof(Plane)), 0) << "pieces keep the plane";
            }
            const auto [parent, side] = parentOf[n];
            if (parent >= 0) {
                const Plane& p = tree.nodes[static_cast<std::size_t>(parent)].plane;
                for (std::uint32_t c : f.verts)
                    EXPECT_NE(classifyPoint(p, vs[c]), side == Front ? Back : Front) << "face on the wrong side";
            }
            if (node.flags != 0) {
                for (std::uint32_t c : f.verts) EXPECT_EQ(classifyPoint(node.plane, vs[c]), On);
            }
        }
    }
    // The closing line counts every stored face and every node.
    int secs, nodes, faces, width;
    const std::size_t at = console.find("Done [");
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(std::sscanf(console.c_str() + at, "Done [%d secs, %d nodes, %d faces, %d width]", &secs, &nodes, &faces,
                          &width),
              4);
    EXPECT_EQ(static_cast<std::size_t>(faces), stored);
    EXPECT_EQ(static_cast<std::size_t>(nodes), tree.nodes.size());
    const std::size_t splits = (stored - static_cast<std::size_t>(tree.faceCount)) / 2;
    EXPECT_EQ(vs.size(), listVertices + 2 * splits);
    if (faces > 0) {
        EXPECT_NE(console.find("[100%]  \n"), std::string::npos);
    }
}

TEST(TreeInvariants, HoldOnManyGeneratedScenes) {
    for (unsigned seed = 1; seed <= 120; ++seed) {
        SCOPED_TRACE(seed);
        const auto bytes = randomScene(seed);
        const Compiled b = compileBytes(bytes);
        ASSERT_TRUE(b.tree);
        std::size_t listVertices = 0;
        const auto scene = loadBytes(bytes);
        for (const Mesh& mesh : scene->meshes) listVertices += mesh.vertices.size();
        checkInvariants(*b.tree, b.console, listVertices);
        TreeFile file;
        TreeFileError problem;
        ASSERT_TRUE(readTreeFile(b.file, file, problem))
            << problem.message;
        ASSERT_TRUE(checkTreeFile(file, problem)) << problem.message;
        EXPECT_EQ(file.nodes.size(), b.tree->nodes.size());
    }
}

TEST(TreeInvariants, TheBoxIsOneLeafOfTwelveFaces) {
    TempDir dir("box");
    writeBytes(dir / "box.3ds", boxScene());
    const RunResult run = runIn(dir.path(), {"box.3ds"});
    EXPECT_EQ(run.status, 0);
    // Every byte of the console after the logo.
    const std::string expected =
        "   Loading file box.3ds .. Done\n\n"
        "   Creating BSP_Tree\n"
        "    \xCC\xCD Creating Vertex - list  \\\n"
        "    \xC8\xCD Adding faces to list  \\\r    \xCC\xCD Adding faces to list\n"
        "\r    \xCC\xCD Level   1 -ALC-    12 Faces [  0%]  "
        "\r    \xCC\xCD Level   1 -FRP-    12 Faces [  0%]  "
        "\r    \xCC\xCD Level   1 -BCK-    12 Faces [100%]  "
        "\n    \xC8\xCD Done [N secs, 1 nodes, 12 faces, 1 width]\n\n"
        "   Writing BSP_Tree\n"
        "    \xCC\xCD Creating output file\n"
        "    \xCC\xCD Writing header\n"
        "\r    \xCC\xCD Writing node -F- Level   1\r    \xCC\xCD Writing node -B- Level   1"
        "\n    \xC8\xCD Done\n";
    EXPECT_EQ(consoleTail(run.console), expected);

    const auto bytes = readBytes(dir / "box.bsp");
    ASSERT_EQ(bytes.size(), 11u + 256 + 8 * 32 + 20 + 12 * 26);
    const std::uint8_t header[11] = {'B', 'S', 'P', 50, 0, 8, 0, 12, 0, 1, 0};
    EXPECT_TRUE(std::equal(header, header + 11, bytes.begin()));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[11])), "Crate");
    for (std::size_t i = 11 + 6; i < 11 + 256; ++i) ASSERT_EQ(bytes[i], 0) << "slot bytes after the name are zero";
    const std::size_t node = 11 + 256 + 8 * 32;
    for (std::size_t i = node; i < node + 18; ++i) EXPECT_EQ(bytes[i], 0) << "a leaf: flags 0 and a zero plane";
    EXPECT_EQ(bytes[node + 18], 12);
    for (int f = 0; f < 12; ++f) {
        const std::size_t rec = node + 20 + 26 * static_cast<std::size_t>(f);
        EXPECT_EQ(bytes[rec + 6], f) << "ids in face order";
        EXPECT_EQ(bytes[rec + 8], 0) << "material 0";
    }
}

TEST(TreeInvariants, EmptySceneIsOneEmptyLeaf) {
    const Compiled b = compileBytes({});
    ASSERT_TRUE(b.tree);
    ASSERT_EQ(b.tree->nodes.size(), 1u);
    EXPECT_NE(b.console.find("Done [0 secs, 1 nodes, 0 faces, 1 width]"), std::string::npos);
    EXPECT_NE(b.console.find("-BCK-     0 Faces [  0%]"), std::string::npos);
}

TEST(TreeInvariants, DuplicateVerticesAcrossMeshesShareTheFirst) {
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMesh(w, meshOf("A", {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}}));
    writeMesh(w, meshOf("B", {{5, 5, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})); // coplanar: one leaf
    w.end();
    w.end();
    const Compiled b = compileBytes(w.bytes());
    ASSERT_TRUE(b.tree);
    EXPECT_EQ(b.tree->vertices.size(), 6u);
    ASSERT_EQ(b.tree->nodes.size(), 1u);
    ASSERT_EQ(b.tree->nodes[0].faces.size(), 2u);
    const TreeFileFace& second = b.tree->nodes[0].faces[1];
    EXPECT_EQ(second.verts[1], 2u); // file corner 2 of mesh B is vertex 2 of mesh A
    EXPECT_EQ(second.verts[2], 1u);
}

TEST(TreeInvariants, PlaneThatSeparatesNothingMakesALeaf) {
    // A zero-area face has a NaN plane: every face is behind it. Chosen as splitter it would
    // send every face to the back child for ever; the node becomes a leaf instead.
    ChunkWriter w;
    beginMainChunk(w);
    w.begin(0x3D3D);
    writeMesh(w, meshOf("M", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {0, 0, 1}, {0, 1, 1}, {5, 0, 0}, {5, 1, 0}, {5, 0, 1}},
              {{0, 1, 2}, {0, 3, 4}, {5, 6, 7}}));
    w.end();
    w.end();
    const Compiled b = compileBytes(w.bytes());
    ASSERT_TRUE(b.tree);
    checkInvariants(*b.tree, b.console, 8);
}

// The benchmark's floor: the lists built and written with every face in the root, no search.
// The file must still be complete and valid, and the real build's list of initial vertices.
TEST(TreeInvariants, SkippingThePlaneSearchWritesEveryFaceInOneValidLeaf) {
    const auto bytes = scene3ds::writeScene(scene3ds::generateScene("level", 2, 1500));
    const auto scene = loadBytes(bytes);
    ASSERT_TRUE(scene);
    BuildOptions options;
    options.search = PlaneSearch::None;
    TreeFile tree;
    BuildError error;
    ASSERT_TRUE(compileScene(*scene, tree, error, options)) << error.message;
    ASSERT_EQ(tree.nodes.size(), 1u);
    EXPECT_EQ(tree.nodes[0].faces.size(), static_cast<std::size_t>(tree.faceCount));
    const Compiled real = compileBytes(bytes);
    ASSERT_TRUE(real.tree);
    ASSERT_GT(real.tree->nodes.size(), 1u);
    EXPECT_TRUE(std::equal(tree.vertices.begin(), tree.vertices.end(), real.tree->vertices.begin(),
                           [](const Vertex& a, const Vertex& b) { return std::memcmp(&a, &b, sizeof a) == 0; }));
    std::vector<std::uint8_t> file;
    WriteError writeError;
    ASSERT_TRUE(treeFileBytes(tree, file, writeError));
    TreeFile parsed;
    TreeFileError problem;
    ASSERT_TRUE(readTreeFile(file, parsed, problem)) << problem.message;
    EXPECT_TRUE(checkTreeFile(parsed, problem)) << problem.message;
}

} // namespace
} // namespace norvane::test
