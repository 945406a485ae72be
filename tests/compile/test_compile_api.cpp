// The public compile API as a program outside the compiler uses it: scenes made by hand, the
// tree it returns against the file it writes, its typed errors, and the progress it reports.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>

#include "scene3ds/generators.h"
#include "norvane/compile.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

Vertex at(float x, float y, float z) {
    Vertex v;
    v.x = x, v.y = y, v.z = z;
    return v;
}

// Two triangles that cross: the root cuts one of them.
Scene crossingTriangles() {
    Scene scene;
    scene.materials.push_back({"Red"});
    Mesh mesh;
    mesh.vertices = {at(0, 0, 0), at(2, 0, 0), at(0, 2, 0), at(1, -1, -1), at(1, -1, 1), at(1, 1, 0)};
    Face a, b;
    a.corners[0] = 0, a.corners[1] = 2, a.corners[2] = 1;
    b.corners[0] = 3, b.corners[1] = 5, b.corners[2] = 4;
    a.material = 0;
    for (Face* f : {&a, &b}) {
        const Vertex& p0 = mesh.vertices[f->corners[0]];
        const Vertex& p1 = mesh.vertices[f->corners[1]];
        const Vertex& p2 = mesh.vertices[f->corners[2]];
        const double e1[3] = {p1.x - p0.x, p1.y - p0.y, p1.z - p0.z}, e2[3] = {p2.x - p0.x, p2.y - p0.y, p2.z - p0.z};
        double n[3] = {e2[1] * e1[2] - e1[1] * e2[2], e2[2] * e1[0] - e1[2] * e2[0], e2[0] * e1[1] - e1[0] * e2[1]};
        const double len = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        f->plane = Plane{float(n[0] / len), float(n[1] / len), float(n[2] / len),
                         float(-(n[0] * p0.x + n[1] * p0.y + n[2] * p0.z) / len)};
    }
    mesh.faces = {a, b};
    scene.meshes.push_back(mesh);
    return scene;
}

bool sameFaces(const TreeFileFace& a, const TreeFileFace& b) {
    return std::memcmp(a.verts, b.verts, sizeof a.verts) == 0 && a.id == b.id && a.material == b.material &&
           std::memcmp(&a.plane, &b.plane, sizeof a.plane) == 0;
}

// The model a compile returns is the model readTreeFile makes of the file written from it.
void expectSameModel(const TreeFile& built, const TreeFile& read) {
    EXPECT_EQ(built.version, read.version);
    EXPECT_EQ(built.vertexCount, read.vertexCount);
    EXPECT_EQ(built.faceCount, read.faceCount);
    EXPECT_EQ(built.materials, read.materials);
    EXPECT_EQ(built.size, read.size);
    ASSERT_EQ(built.vertices.size(), read.vertices.size());
    EXPECT_EQ(std::memcmp(built.vertices.data(), read.vertices.data(), built.vertices.size() * sizeof(Vertex)), 0);
    ASSERT_EQ(built.nodes.size(), read.nodes.size());
    for (std::size_t n = 0; n < built.nodes.size(); ++n) {
        const TreeFileNode& a = built.nodes[n];
        const TreeFileNode& b = read.nodes[n];
        EXPECT_EQ(a.flags, b.flags) << n;
        EXPECT_EQ(std::memcmp(&a.plane, &b.plane, sizeof a.plane), 0) << n;
        EXPECT_EQ(a.depth, b.depth) << n;
        EXPECT_EQ(a.front, b.front) << n;
        EXPECT_EQ(a.back, b.back) << n;
        EXPECT_EQ(a.parent, b.parent) << n;
        EXPECT_EQ(a.offset, b.offset) << n;
        ASSERT_EQ(a.faces.size(), b.faces.size()) << n;
        for (std::size_t f = 0; f < a.faces.size(); ++f) EXPECT_TRUE(sameFaces(a.faces[f], b.faces[f])) << n << ":" << f;
    }
}

TEST(CompileApi, TheReturnedTreeIsTheModelOfItsFile) {
    for (const char* kind : {"level", "rock", "city", "terrain"}) {
        const auto bytes = scene3ds::writeScene(scene3ds::generateScene(kind, 3, 2000));
        const auto scene = loadBytes(bytes);
        ASSERT_TRUE(scene) << kind;
        TreeFile tree, read;
        BuildError error;
        ASSERT_TRUE(compileScene(*scene, tree, error)) << kind << ": " << error.message;
        std::vector<std::uint8_t> file;
        WriteError writeError;
        ASSERT_TRUE(treeFileBytes(tree, file, writeError)) << writeError.message;
        EXPECT_EQ(file, compileBytes(bytes).file) << kind << ": the same bytes as norvane's build";
        TreeFileError readError;
        ASSERT_TRUE(readTreeFile(file, read, readError) && checkTreeFile(read, readError)) << readError.message;
        SCOPED_TRACE(kind);
        expectSameModel(tree, read);
    }
}

TEST(CompileApi, AHandMadeSceneCompilesAndCuts) {
    TreeFile tree;
    BuildError error;
    BuildStats stats;
    ASSERT_TRUE(compileScene(crossingTriangles(), tree, error, {}, nullptr, &stats)) << error.message;
    EXPECT_EQ(stats.faces, 4) << "two faces, one cut into three";
    EXPECT_EQ(tree.faceCount, 2u);
    EXPECT_EQ(tree.vertices.size(), 8u) << "the cut adds two vertices";
    EXPECT_EQ(tree.materials, std::vector<std::string>{"Red"});
    std::size_t noMaterial = 0;
    for (const TreeFileNode& n : tree.nodes)
        for (const TreeFileFace& f : n.faces) noMaterial += f.material == noMaterialOf(tree);
    EXPECT_EQ(noMaterial, 3u) << "the second face and the pieces cut from it";
}

TEST(CompileApi, AHandMadeSceneWithBadIndicesGetsATypedError) {
    TreeFile tree;
    BuildError error;
    Scene badCorner = crossingTriangles();
    badCorner.meshes[0].faces[1].corners[2] = 6;
    EXPECT_FALSE(compileScene(badCorner, tree, error));
    EXPECT_EQ(error.code, BuildErrorCode::CornerOutOfRange);
    EXPECT_FALSE(error.message.empty());
    Scene badMaterial = crossingTriangles();
    badMaterial.meshes[0].faces[0].material = 1;
    EXPECT_FALSE(compileScene(badMaterial, tree, error));
    EXPECT_EQ(error.code, BuildErrorCode::MaterialOutOfRange);
}

TEST(CompileApi, LimitsOfTheFormatAreTypedByWhatOverflows) {
    Scene many = crossingTriangles();
    many.meshes[0].vertices.resize(70000, at(5, 5, 5));
    TreeFile tree;
    BuildError error;
    EXPECT_FALSE(compileScene(many, tree, error));
    EXPECT_EQ(error.code, BuildErrorCode::TooManyVertices);

    // Materials are the writer's to refuse: the tree holds them, the file cannot.
    Scene materials = crossingTriangles();
    materials.materials.resize(70000, Material{"M"});
    ASSERT_TRUE(compileScene(materials, tree, error)) << error.message;
    std::vector<std::uint8_t> bytes;
    WriteError writeError;
    EXPECT_FALSE(treeFileBytes(tree, bytes, writeError));
    EXPECT_EQ(writeError.code, WriteErrorCode::TooManyMaterials);
    EXPECT_TRUE(bytes.empty());
}

TEST(CompileApi, AStopFlagStopsTheBuild) {
    const auto scene = loadBytes(scene3ds::writeScene(scene3ds::generateScene("rock", 1, 2000)));
    ASSERT_TRUE(scene);
    const std::atomic<bool> stop{true};
    BuildOptions options;
    options.stopFlag = &stop;
    TreeFile tree;
    BuildError error;
    EXPECT_FALSE(compileScene(*scene, tree, error, options));
    EXPECT_EQ(error.code, BuildErrorCode::Stopped);
    EXPECT_TRUE(tree.nodes.empty());
}

// Set midway, while workers build subtrees ahead, the flag stops every one of them: the build
// returns Stopped, and nothing is left running or waiting.
TEST(CompileApi, AStopFlagSetMidwayStopsTheWorkersToo) {
    const auto scene = loadBytes(scene3ds::writeScene(scene3ds::generateScene("terrain", 2, 9000)));
    ASSERT_TRUE(scene);
    struct StopAfter : CompileProgress {
        std::atomic<bool> stop{false};
        int steps = 0, after = 0;
        void nodeStep(NodeStep, const NodeState&) override {
            if (++steps == after) stop = true;
        }
    };
    for (const int after : {1, 40, 400, 4000}) {
        StopAfter progress;
        progress.after = after;
        BuildOptions options;
        options.threads = 2;
        options.stopFlag = &progress.stop;
        TreeFile tree;
        BuildError error;
        EXPECT_FALSE(compileScene(*scene, tree, error, options, &progress)) << after;
        EXPECT_EQ(error.code, BuildErrorCode::Stopped) << after;
    }
}

// Events in order, as a log.
struct Recorder : CompileProgress {
    std::vector<std::string> events;
    std::size_t units = 0;
    void stageBegan(Stage s) override { events.push_back("began " + std::to_string(static_cast<int>(s))); }
    void stageEnded(Stage s) override { events.push_back("ended " + std::to_string(static_cast<int>(s))); }
    void nodeStep(NodeStep s, const NodeState& n) override {
        events.push_back("node " + std::to_string(static_cast<int>(s)) + " level " + std::to_string(n.level));
    }
    void worked(std::size_t n) override { units += n; }
    void built(const BuildStats&) override { events.push_back("built"); }
    void writeStep(WriteStep s) override { events.push_back("write " + std::to_string(static_cast<int>(s))); }
    void writeNode(bool entered, std::int32_t level) override {
        events.push_back(std::string(entered ? "enter " : "leave ") + std::to_string(level));
    }
};

TEST(CompileApi, ProgressComesInTheOrderOfTheStages) {
    Recorder seen;
    TreeFile tree;
    BuildError error;
    ASSERT_TRUE(compileScene(crossingTriangles(), tree, error, {}, &seen));
    const std::vector<std::string> lists{"began 0", "began 1", "ended 1", "began 2", "ended 2"};
    ASSERT_GE(seen.events.size(), lists.size() + 1);
    EXPECT_TRUE(std::equal(lists.begin(), lists.end(), seen.events.begin()));
    EXPECT_EQ(seen.events.back(), "built");
    // One unit per mesh and per face listed, per candidate searched and per face sent on.
    EXPECT_GE(seen.units, 1u + 2u);
    TempDir dir("compile-api-progress");
    WriteError writeError;
    Recorder written;
    ASSERT_TRUE(writeTreeFile(dir / "t.bsp", tree, writeError, {}, &written));
    ASSERT_GE(written.events.size(), 5u);
    EXPECT_EQ(written.events[0], "write 0");
    EXPECT_EQ(written.events[1], "write 1");
    EXPECT_EQ(written.events[2], "write 2");
    EXPECT_EQ(written.events[3], "enter 1");
    EXPECT_EQ(written.events.back(), "write 3");
    EXPECT_EQ(readBytes(dir / "t.bsp").size(), tree.size);
}

TEST(CompileApi, AModelMadeByHandWritesTheNodesItsRootReaches) {
    // The bytes are sized by the walk that writes them: a node both children name is written
    // twice, a node no child names never, and nothing is written past the bytes.
    TreeFile tree;
    tree.version = 50;
    tree.nodes.resize(3);
    tree.nodes[0].flags = frontChildFlag | backChildFlag;
    tree.nodes[0].front = tree.nodes[0].back = 1;
    tree.nodes[1].faces.resize(2);
    tree.nodes[1].faces[1].id = 0xABCD;
    tree.nodes[2].faces.resize(5); // not reached
    std::vector<std::uint8_t> bytes;
    WriteError writeError;
    ASSERT_TRUE(treeFileBytes(tree, bytes, writeError)) << writeError.message;
    ASSERT_EQ(bytes.size(), 11u + 20 + 2 * (20 + 2 * 26));
    for (const std::size_t node : {11u + 20, 11u + 20 + 20 + 2 * 26}) {
        EXPECT_EQ(bytes[node + 18], 2) << "two faces at " << node;
        EXPECT_EQ(bytes[node + 20 + 26 + 6], 0xCD);
        EXPECT_EQ(bytes[node + 20 + 26 + 7], 0xAB);
    }
}

} // namespace
} // namespace norvane::test
