// One generated scene written as 3DS, glTF, GLB and OBJ compiles to the same tree: OBJ to the
// same bytes; glTF to the same tree but for texture v, which glTF stores as 1 - v, so a v that
// 1 - (1 - v) does not give back in floats differs in its last bits, and with it which of two
// equal vertices a corner names and the normals of the vertices cuts make.
#include <gtest/gtest.h>

#include <cstring>

#include "scene3ds/generators.h"
#include "scene3ds/interchange_writer.h"
#include "norvane/compile.h"
#include "norvane/import.h"
#include "support/test_support.h"

namespace norvane::test {
namespace {

std::vector<std::uint8_t> treeBytesOf(const std::filesystem::path& path) {
    Scene scene;
    LoadError loadError;
    EXPECT_TRUE(importScene(path, scene, loadError)) << path << ": " << loadError.message;
    TreeFile tree;
    BuildError buildError;
    EXPECT_TRUE(compileScene(scene, tree, buildError)) << path;
    std::vector<std::uint8_t> bytes;
    WriteError writeError;
    EXPECT_TRUE(treeFileBytes(tree, bytes, writeError)) << path;
    return bytes;
}

void writeText(const std::filesystem::path& path, const std::string& text) {
    writeBytes(path, std::vector<std::uint8_t>(text.begin(), text.end()));
}

// The trees agree in every field; texture v as glTF carries it.
// `loaded` vertices come from the scene; those after them were made by cuts, their v
// interpolated from the loaded ones.
void expectSameTreeButV(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, std::size_t loaded,
                        const char* kind) {
    TreeFile x, y;
    TreeFileError error;
    ASSERT_TRUE(readTreeFile(a, x, error) && readTreeFile(b, y, error)) << kind;
    ASSERT_EQ(a.size(), b.size()) << kind;
    ASSERT_EQ(x.vertices.size(), y.vertices.size());
    for (std::size_t i = 0; i < x.vertices.size(); ++i) {
        Vertex p = x.vertices[i], q = y.vertices[i];
        if (i < loaded)
            EXPECT_EQ(q.v, static_cast<float>(1.0 - double(static_cast<float>(1.0 - double(p.v))))) << kind << " " << i;
        else
            EXPECT_NEAR(q.v, p.v, 1e-6) << kind << " " << i;
        p.v = q.v = 0;
        if (i >= loaded) p.nx = q.nx = p.ny = q.ny = p.nz = q.nz = 0; // interpolated beside v
        ASSERT_EQ(std::memcmp(&p, &q, sizeof p), 0) << kind << " vertex " << i;
    }
    ASSERT_EQ(x.nodes.size(), y.nodes.size());
    for (std::size_t n = 0; n < x.nodes.size(); ++n) {
        ASSERT_EQ(x.nodes[n].faces.size(), y.nodes[n].faces.size()) << kind;
        ASSERT_EQ(std::memcmp(&x.nodes[n].plane, &y.nodes[n].plane, sizeof(Plane)), 0) << kind;
        for (std::size_t f = 0; f < x.nodes[n].faces.size(); ++f) {
            const TreeFileFace &fa = x.nodes[n].faces[f], &fb = y.nodes[n].faces[f];
            EXPECT_TRUE(fa.id == fb.id && fa.material == fb.material) << kind << " node " << n;
            // Two vertices whose v meet (or part) in glTF's numbers change which copy a
            // corner names; the corner itself is the same.
            for (int c = 0; c < 3; ++c) {
                const Vertex &p = x.vertices[fa.verts[c]], &q = y.vertices[fb.verts[c]];
                EXPECT_TRUE(p.x == q.x && p.y == q.y && p.z == q.z && p.u == q.u) << kind << " node " << n;
            }
        }
    }
    EXPECT_GT(x.vertices.size(), 0u);
}

TEST(SameTree, GeneratedScenesCompileAlikeFromEveryFormat) {
    TempDir dir("same-tree");
    for (const std::string& kind : scene3ds::sceneKinds()) {
        const scene3ds::ScenePlan plan = scene3ds::generateScene(kind, 3, 0);
        const Compiled fromThreeDs = compileBytes(scene3ds::writeScene(plan));
        ASSERT_TRUE(fromThreeDs.tree) << kind;
        std::string mtl;
        writeText(dir / "scene.obj", scene3ds::writeSceneObj(plan, "scene.mtl", mtl));
        writeText(dir / "scene.mtl", mtl);
        EXPECT_EQ(treeBytesOf(dir / "scene.obj"), fromThreeDs.file) << kind;
        writeText(dir / "scene.glb", scene3ds::writeSceneGltf(plan, true));
        writeText(dir / "scene.gltf", scene3ds::writeSceneGltf(plan, false));
        const std::vector<std::uint8_t> glb = treeBytesOf(dir / "scene.glb");
        EXPECT_EQ(treeBytesOf(dir / "scene.gltf"), glb) << kind;
        std::size_t loaded = 0;
        for (const scene3ds::MeshPlan& mesh : plan.meshes) loaded += mesh.points.size();
        expectSameTreeButV(fromThreeDs.file, glb, loaded, kind.c_str());
    }
}

#ifdef NORVANE_SCENE_EXE
TEST(SameTree, NorvaneSceneWritesEachFormat) {
    TempDir dir("same-tree-tool");
    const std::string tool = std::string(NORVANE_SCENE_EXE) + " box ";
    for (const char* format : {"gltf", "glb", "obj"}) {
        const std::filesystem::path out = dir / (std::string("box.") + format);
        const ToolRun run = runTool(tool + quoted(out) + " --format " + format);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(treeBytesOf(out), compileBytes(scene3ds::writeScene(scene3ds::generateScene("box", 1, 0))).file)
            << format;
    }
    EXPECT_TRUE(std::filesystem::exists(dir / "box.mtl"));
    EXPECT_EQ(runTool(tool + quoted(dir / "box.ply") + " --format ply").status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / "box.ply"));
}
#endif

} // namespace
} // namespace norvane::test
